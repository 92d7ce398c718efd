-- The ERP tables of the cost calculation: base data (items, departments, cost
-- objects and their products), the live stock bills, the distribution tables,
-- the quantity tables and the saved calculation results.  The period snapshot
-- (cb_ICStockBill, cb_ICStockBillEntry) and the work tables (CBCalInfo_CurData,
-- CBCalInfoDetail_CurData) are not here: ConcludeUpdate.GetICStockBillDataForCB
-- creates them.
--
-- Interior IDs are INT, quantities and amounts DECIMAL(28,10), names NVARCHAR,
-- dates DATETIME.  The columns the snapshot copies stay nullable in the live
-- tables: a NULL there is refused by the snapshot, not hidden.

-- Item master.  FTrack 80 marks a batch-tracked item; FQtyDecimal and
-- FPriceDecimal are the decimals of its quantities and prices (NULL: unset).
CREATE TABLE t_ICItem (
  FItemID INT NOT NULL CONSTRAINT pk_t_ICItem PRIMARY KEY CLUSTERED,
  FNumber NVARCHAR(80) NOT NULL DEFAULT(''),
  FName NVARCHAR(255) NOT NULL DEFAULT(''),
  FTrack INT NOT NULL DEFAULT(0),
  FQtyDecimal SMALLINT NULL,
  FPriceDecimal SMALLINT NULL
)

-- Departments.  FCostAccountType 361 production, 362 auxiliary production.
CREATE TABLE t_Department (
  FItemID INT NOT NULL CONSTRAINT pk_t_Department PRIMARY KEY CLUSTERED,
  FNumber NVARCHAR(80) NOT NULL DEFAULT(''),
  FName NVARCHAR(255) NOT NULL DEFAULT(''),
  FCostAccountType INT NULL
)

-- Cost objects.  FStdProductID the product the object makes, FBatchNo its
-- batch (matched by batch costing, 908), FCalculateType 906 / 907 ordinary
-- (level 1 / higher), 908 batch costing, 909 classification method.
CREATE TABLE cbCostObj (
  FItemID INT NOT NULL CONSTRAINT pk_cbCostObj PRIMARY KEY CLUSTERED,
  FNumber NVARCHAR(80) NOT NULL DEFAULT(''),
  FName NVARCHAR(255) NOT NULL DEFAULT(''),
  FStdProductID INT NOT NULL DEFAULT(0),
  FBatchNo VARCHAR(200) NOT NULL DEFAULT(''),
  FCalculateType INT NULL DEFAULT(906)
)

-- Products and by-products (FIsDeputy 1) of classification-method cost
-- objects, with their coefficients.  A coefficient is DECIMAL(18,10), not the
-- quantities' DECIMAL(28,10): the product of a DECIMAL(23,10) snapshot
-- quantity and a DECIMAL(28,10) would keep only 6 decimals, this one keeps 16.
CREATE TABLE cb_CostObj_Product (
  FCostObjID INT NOT NULL,
  FProductID INT NOT NULL,
  FQuotiety DECIMAL(18,10) NOT NULL DEFAULT(1),
  FIsDeputy SMALLINT NOT NULL DEFAULT(0),
  CONSTRAINT pk_cb_CostObj_Product PRIMARY KEY CLUSTERED (FCostObjID, FProductID)
)

-- Live stock bills.  FTranType 24 material issue, 2 product receipt, 5 the
-- third type the snapshot copies; FPurposeID 12000 normal use, 12001
-- repairable-waste use, 12002 residual-value return; a bill is valid with
-- FStatus > 0 and FCancellation = 0.
CREATE TABLE ICStockBill (
  FInterID INT NOT NULL CONSTRAINT pk_ICStockBill PRIMARY KEY CLUSTERED,
  FBillNo NVARCHAR(255) NULL,
  FTranType SMALLINT NOT NULL,
  FDate DATETIME NULL,
  FDeptID INT NULL,
  FHookInterID INT NULL,
  FVchInterID INT NULL,
  FROB INT NULL,
  FCheckerID INT NULL,
  FStatus SMALLINT NULL DEFAULT(0),
  FCancellation INT NULL DEFAULT(0),
  FPurposeID INT NULL DEFAULT(0)
)
CREATE NONCLUSTERED INDEX idx_ICStockBill_FDate ON ICStockBill (FDate, FTranType)

CREATE TABLE ICStockBillEntry (
  FInterID INT NOT NULL,
  FEntryID INT NOT NULL,
  FItemID INT NULL DEFAULT(0),
  FQty DECIMAL(28,10) NULL DEFAULT(0),
  FPrice DECIMAL(28,10) NULL DEFAULT(0),
  FBatchNo VARCHAR(200) NULL DEFAULT(''),
  FAmount DECIMAL(28,10) NULL DEFAULT(0),
  FUnitID INT NULL DEFAULT(0),
  FPlanPrice DECIMAL(28,10) NULL DEFAULT(0),
  FPlanAmount DECIMAL(28,10) NULL DEFAULT(0),
  FCostCenterID INT NULL DEFAULT(0),
  FICMOInterID INT NULL DEFAULT(0),
  FCostObjGroupID INT NULL DEFAULT(0),
  FCostOBJID INT NULL DEFAULT(0),
  FReProduceType INT NULL DEFAULT(0),
  CONSTRAINT pk_ICStockBillEntry PRIMARY KEY CLUSTERED (FInterID, FEntryID)
)

-- Material distribution of issues of normal use (12000), repairable-waste use
-- (12001) and residual-value returns (12002): one row per year, period, issue
-- line, receiving cost object and cost item.
CREATE TABLE cbMaterielInfo (
  FYear INT NOT NULL,
  FPeriod INT NOT NULL,
  FInterID INT NULL,
  FEntryID INT NULL,
  FCostObjID INT NOT NULL DEFAULT(0),
  FCostItemID INT NOT NULL DEFAULT(0),
  FStdID INT NOT NULL DEFAULT(0),
  FStandardData DECIMAL(28,10) NOT NULL DEFAULT(0),
  FQty DECIMAL(28,10) NOT NULL DEFAULT(0),
  FAmount DECIMAL(28,10) NOT NULL DEFAULT(0)
)
CREATE CLUSTERED INDEX idx_cbMaterielInfo ON cbMaterielInfo (FYear, FPeriod, FInterID, FEntryID)

CREATE TABLE cbWMaterielInfo (
  FYear INT NOT NULL,
  FPeriod INT NOT NULL,
  FInterID INT NULL,
  FEntryID INT NULL,
  FCostObjID INT NOT NULL DEFAULT(0),
  FCostItemID INT NOT NULL DEFAULT(0),
  FStdID INT NOT NULL DEFAULT(0),
  FStandardData DECIMAL(28,10) NOT NULL DEFAULT(0),
  FQty DECIMAL(28,10) NOT NULL DEFAULT(0),
  FAmount DECIMAL(28,10) NOT NULL DEFAULT(0)
)
CREATE CLUSTERED INDEX idx_cbWMaterielInfo ON cbWMaterielInfo (FYear, FPeriod, FInterID, FEntryID)

CREATE TABLE CBWBMaterielInfo (
  FYear INT NOT NULL,
  FPeriod INT NOT NULL,
  FInterID INT NULL,
  FEntryID INT NULL,
  FCostObjID INT NOT NULL DEFAULT(0),
  FCostItemID INT NOT NULL DEFAULT(0),
  FQty DECIMAL(28,10) NOT NULL DEFAULT(0),
  FAmount DECIMAL(28,10) NOT NULL DEFAULT(0)
)

-- Other-expense bills (FPurposeID 0 normal production, 1 repairable waste) and
-- their distribution to cost objects and cost items.
CREATE TABLE cbCostExpenseInfo (
  FInterID INT NULL,
  FYear INT NOT NULL,
  FPeriod INT NOT NULL,
  FDeptID INT NOT NULL DEFAULT(0),
  FPurposeID INT NULL DEFAULT(0),
  FAmount DECIMAL(28,10) NOT NULL DEFAULT(0)
)

CREATE TABLE cbExpenseDistributeInfo (
  FYear INT NOT NULL,
  FPeriod INT NOT NULL,
  FInterID INT NULL,
  FCostObjID INT NOT NULL DEFAULT(0),
  FCostItemID INT NOT NULL DEFAULT(0),
  FAmount DECIMAL(28,10) NOT NULL DEFAULT(0)
)

CREATE TABLE cbWExpenseDistributeInfo (
  FYear INT NOT NULL,
  FPeriod INT NOT NULL,
  FInterID INT NULL,
  FCostObjID INT NOT NULL DEFAULT(0),
  FCostItemID INT NOT NULL DEFAULT(0),
  FAmount DECIMAL(28,10) NOT NULL DEFAULT(0)
)

-- Distribution of work-in-process materials of a period.
CREATE TABLE CBOnlineMaterielDispInfo (
  FYear INT NOT NULL,
  FPeriod INT NOT NULL,
  FDeptID INT NOT NULL DEFAULT(0),
  FCostObjID INT NOT NULL DEFAULT(0),
  FItemID INT NOT NULL DEFAULT(0),
  FBatchNo VARCHAR(200) NOT NULL DEFAULT(''),
  FQty DECIMAL(28,10) NOT NULL DEFAULT(0),
  FAmount DECIMAL(28,10) NOT NULL DEFAULT(0)
)

-- Completed quantity per department and cost object, and the same output per
-- product and batch (the cost object's batch).
CREATE TABLE cbCompleteQty (
  FYear INT NOT NULL,
  FPeriod INT NOT NULL,
  FDeptID INT NOT NULL,
  FCostObjID INT NOT NULL,
  FQty DECIMAL(28,10) NOT NULL DEFAULT(0),
  CONSTRAINT pk_cbCompleteQty PRIMARY KEY CLUSTERED (FYear, FPeriod, FDeptID, FCostObjID)
)

CREATE TABLE cbProductQty (
  FYear INT NOT NULL,
  FPeriod INT NOT NULL,
  FDeptID INT NOT NULL,
  FCostObjID INT NOT NULL,
  FProductID INT NOT NULL,
  FBatchNo VARCHAR(200) NOT NULL DEFAULT(''),
  FQty DECIMAL(28,10) NOT NULL DEFAULT(0),
  CONSTRAINT pk_cbProductQty PRIMARY KEY CLUSTERED (FYear, FPeriod, FDeptID, FCostObjID, FProductID, FBatchNo)
)

-- Product cost rows per department, cost object, cost item, product and batch;
-- amounts hold sums of the work tables' DECIMAL(28,13) values.
CREATE TABLE cbProductCalInfo (
  FYear INT NOT NULL,
  FPeriod INT NOT NULL,
  FDeptID INT NOT NULL DEFAULT(0),
  FCostObjID INT NOT NULL DEFAULT(0),
  FCostItemID INT NOT NULL DEFAULT(0),
  FProductID INT NOT NULL DEFAULT(0),
  FBatchNo VARCHAR(200) NOT NULL DEFAULT(''),
  FAmount DECIMAL(38,13) NOT NULL DEFAULT(0),
  FRevertAmount DECIMAL(38,13) NOT NULL DEFAULT(0),
  FLevel INT NOT NULL DEFAULT(0),
  FQty DECIMAL(38,13) NOT NULL DEFAULT(0),
  FStandardQty DECIMAL(38,13) NOT NULL DEFAULT(0),
  FRevQuo DECIMAL(38,13) NOT NULL DEFAULT(0)
)

-- Saved calculation results: the work tables' rows, appended period by period
-- (the same types, so every saved value fits).
CREATE TABLE CBCalInfo (
  FYear SMALLINT NOT NULL DEFAULT(0),
  FPeriod SMALLINT NOT NULL DEFAULT(0),
  FDeptID INT NOT NULL DEFAULT(0),
  FCostObjID INT NOT NULL DEFAULT(0),
  FCostItemID INT NOT NULL DEFAULT(0),
  FStandardID INT NOT NULL DEFAULT(0),
  FStdSubID INT NOT NULL DEFAULT(0),
  FStandarddata DECIMAL(28,13) NOT NULL DEFAULT(0),
  FOverAmount DECIMAL(28,13) NOT NULL DEFAULT(0),
  FOnlineAmount DECIMAL(28,13) NOT NULL DEFAULT(0),
  FRevertAmount DECIMAL(28,13) NOT NULL DEFAULT(0),
  FRevQuo DECIMAL(28,13) NOT NULL DEFAULT(0),
  FLevel SMALLINT NOT NULL DEFAULT(0)
)
CREATE CLUSTERED INDEX idx_CBCalInfo ON CBCalInfo (FYear, FPeriod, FDeptID, FCostObjID, FCostItemID)

CREATE TABLE CBCalInfoDetail (
  FYear SMALLINT NOT NULL DEFAULT(0),
  FPeriod SMALLINT NOT NULL DEFAULT(0),
  FDeptID INT NOT NULL DEFAULT(0),
  FCostObjID INT NOT NULL DEFAULT(0),
  FCostItemID INT NOT NULL DEFAULT(0),
  FMaterielID INT NOT NULL DEFAULT(0),
  FBatchNo VARCHAR(2550) NOT NULL DEFAULT(''),
  FSpendCostObjID INT NOT NULL DEFAULT(0),
  FOverAmount DECIMAL(28,13) NOT NULL DEFAULT(0),
  FOnlineAmount DECIMAL(28,13) NOT NULL DEFAULT(0),
  FOverQty DECIMAL(28,13) NOT NULL DEFAULT(0),
  FOnlineQty DECIMAL(28,13) NOT NULL DEFAULT(0),
  FLevel SMALLINT NOT NULL DEFAULT(0)
)
CREATE CLUSTERED INDEX idx_CBCalInfoDetail ON CBCalInfoDetail (FYear, FPeriod, FDeptID, FCostObjID, FCostItemID)

-- Results of the repairable-waste calculation and of the carried-cost revert,
-- cleared with the period.
CREATE TABLE cbWCalInfo (
  FYear SMALLINT NOT NULL DEFAULT(0),
  FPeriod SMALLINT NOT NULL DEFAULT(0),
  FDeptID INT NOT NULL DEFAULT(0),
  FCostObjID INT NOT NULL DEFAULT(0),
  FCostItemID INT NOT NULL DEFAULT(0),
  FOverAmount DECIMAL(28,13) NOT NULL DEFAULT(0),
  FOnlineAmount DECIMAL(28,13) NOT NULL DEFAULT(0),
  FLevel SMALLINT NOT NULL DEFAULT(0)
)

CREATE TABLE cbWNCalInfo (
  FYear SMALLINT NOT NULL DEFAULT(0),
  FPeriod SMALLINT NOT NULL DEFAULT(0),
  FDeptID INT NOT NULL DEFAULT(0),
  FCostObjID INT NOT NULL DEFAULT(0),
  FCostItemID INT NOT NULL DEFAULT(0),
  FOverAmount DECIMAL(28,13) NOT NULL DEFAULT(0),
  FOnlineAmount DECIMAL(28,13) NOT NULL DEFAULT(0),
  FLevel SMALLINT NOT NULL DEFAULT(0)
)

CREATE TABLE cbWCalInfoDetail (
  FYear SMALLINT NOT NULL DEFAULT(0),
  FPeriod SMALLINT NOT NULL DEFAULT(0),
  FDeptID INT NOT NULL DEFAULT(0),
  FCostObjID INT NOT NULL DEFAULT(0),
  FCostItemID INT NOT NULL DEFAULT(0),
  FMaterielID INT NOT NULL DEFAULT(0),
  FBatchNo VARCHAR(2550) NOT NULL DEFAULT(''),
  FOverAmount DECIMAL(28,13) NOT NULL DEFAULT(0),
  FOnlineAmount DECIMAL(28,13) NOT NULL DEFAULT(0),
  FLevel SMALLINT NOT NULL DEFAULT(0)
)

CREATE TABLE cbCalRevertInfo (
  FYear SMALLINT NOT NULL DEFAULT(0),
  FPeriod SMALLINT NOT NULL DEFAULT(0),
  FDeptID INT NOT NULL DEFAULT(0),
  FCostObjID INT NOT NULL DEFAULT(0),
  FCostItemID INT NOT NULL DEFAULT(0),
  FRevertAmount DECIMAL(28,13) NOT NULL DEFAULT(0)
)
