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
  FPriceDecimal SMALLINT NULL,
  FErpClsID INT NULL,  -- the item's ERP class (NULL: unset)
  FStandardManHour DECIMAL(28,10) NULL,  -- the item's standard man-hours (NULL: unset)
  FCostProject INT NOT NULL DEFAULT(0)  -- the item's own cost item (0: none)
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
  FCalculateType INT NULL DEFAULT(906),
  FStdID INT NOT NULL DEFAULT(0),  -- the object's allocation standard, its sub-standard and kind
  FStdSubID INT NOT NULL DEFAULT(0),
  FStdSubItemID INT NOT NULL DEFAULT(0)
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

-- Work-in-process material bills of a period, and their lines: per department,
-- material and batch, a quantity and an amount still in process, either of one
-- cost object (a direct line) or of none or the pseudo cost object
-- MaterielShareID (a shared line, optionally narrowed to a cost-object group).
-- FCostItemID 0: the line names no cost item.
CREATE TABLE CBProductMatWip (
  FID INT NOT NULL CONSTRAINT pk_CBProductMatWip PRIMARY KEY CLUSTERED,
  FBillNo NVARCHAR(255) NOT NULL DEFAULT(''),
  FYear INT NOT NULL,
  FPeriod INT NOT NULL
)

CREATE TABLE CBProductMatWipEntry (
  FID INT NOT NULL,
  FEntryID INT NOT NULL,
  FDeptID INT NOT NULL DEFAULT(0),
  FMaterielID INT NOT NULL DEFAULT(0),
  FBatchNo VARCHAR(200) NOT NULL DEFAULT(''),
  FCostObjID INT NOT NULL DEFAULT(0),
  FCostGroupID INT NOT NULL DEFAULT(0),
  FCostItemID INT NOT NULL DEFAULT(0),
  FQty DECIMAL(28,10) NOT NULL DEFAULT(0),
  FAmount DECIMAL(28,10) NOT NULL DEFAULT(0),
  CONSTRAINT pk_CBProductMatWipEntry PRIMARY KEY CLUSTERED (FID, FEntryID)
)

-- Distribution of work-in-process materials of a period: one row per WIP line
-- (FInterID the bill's FID, FEntryID the line's) and receiving cost object,
-- with its weight (FStandardData) and the average input price of the cost
-- object.  The cost calculation reads the sums per department, cost object,
-- material and batch.
CREATE TABLE CBOnlineMaterielDispInfo (
  FID INT IDENTITY(1,1) NOT NULL CONSTRAINT pk_CBOnlineMaterielDispInfo PRIMARY KEY CLUSTERED,
  FYear INT NOT NULL,
  FPeriod INT NOT NULL,
  FDeptID INT NOT NULL DEFAULT(0),
  FCostObjID INT NOT NULL DEFAULT(0),
  FInterID INT NOT NULL DEFAULT(0),
  FEntryID INT NOT NULL DEFAULT(0),
  FCostItemID INT NOT NULL DEFAULT(0),
  FItemID INT NOT NULL DEFAULT(0),
  FBatchNo VARCHAR(200) NOT NULL DEFAULT(''),
  FStandardData DECIMAL(28,10) NOT NULL DEFAULT(0),
  FQty DECIMAL(28,10) NOT NULL DEFAULT(0),
  FAmount DECIMAL(28,10) NOT NULL DEFAULT(0),
  FPrice DECIMAL(28,10) NOT NULL DEFAULT(0)
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

-- ---------------------------------------------------------------------------
-- Inputs of the actual-cost calculation that other modules of the ERP keep:
-- beginning balances, the auxiliary-production and manufacturing-expense
-- distributions with their repairable-waste twins, waste amendments and waste
-- quantities, cost items, the cost objects' beginning material balances, the
-- counted period-end work in process, and production orders with their feed
-- lists.

-- Beginning balance per department (FDepID), cost object (FProductID) and cost
-- item (FCostID; -1 and 0 are totals, not cost items).
CREATE TABLE cbBalance (
  FYear INT NOT NULL,
  FPeriod INT NOT NULL,
  FDepID INT NOT NULL DEFAULT(0),
  FProductID INT NOT NULL DEFAULT(0),
  FCostID INT NOT NULL DEFAULT(0),
  FTypeID INT NOT NULL DEFAULT(0),  -- balance type; 2 the year-begin balances
  FBegBal DECIMAL(28,10) NOT NULL DEFAULT(0),
  FQty DECIMAL(28,10) NOT NULL DEFAULT(0),  -- work-in-process quantity of the balance
  FAdjustQty DECIMAL(28,10) NOT NULL DEFAULT(0)  -- and its adjustment
)

-- Distributions of auxiliary production and of manufacturing expense to cost
-- objects, for normal production and for repairable waste (W).
CREATE TABLE cbAssistDistrbuteInfo (
  FYear INT NOT NULL,
  FPeriod INT NOT NULL,
  FDeptID INT NOT NULL DEFAULT(0),
  FCostObjID INT NOT NULL DEFAULT(0),
  FCostItemID INT NOT NULL DEFAULT(0),
  FAmount DECIMAL(28,10) NOT NULL DEFAULT(0)
)

CREATE TABLE cbMakeDistributeInfo (
  FYear INT NOT NULL,
  FPeriod INT NOT NULL,
  FDeptID INT NOT NULL DEFAULT(0),
  FCostObjID INT NOT NULL DEFAULT(0),
  FCostItemID INT NOT NULL DEFAULT(0),
  FAmount DECIMAL(28,10) NOT NULL DEFAULT(0)
)

CREATE TABLE cbWAssistDistrbuteInfo (
  FYear INT NOT NULL,
  FPeriod INT NOT NULL,
  FDeptID INT NOT NULL DEFAULT(0),
  FCostObjID INT NOT NULL DEFAULT(0),
  FCostItemID INT NOT NULL DEFAULT(0),
  FAmount DECIMAL(28,10) NOT NULL DEFAULT(0)
)

CREATE TABLE cbWMakeDistributeInfo (
  FYear INT NOT NULL,
  FPeriod INT NOT NULL,
  FDeptID INT NOT NULL DEFAULT(0),
  FCostObjID INT NOT NULL DEFAULT(0),
  FCostItemID INT NOT NULL DEFAULT(0),
  FAmount DECIMAL(28,10) NOT NULL DEFAULT(0)
)

-- Waste amendments: FWasterTypeID 0 or 1.
CREATE TABLE CBWasterAmends (
  FYear INT NOT NULL,
  FPeriod INT NOT NULL,
  FDeptID INT NOT NULL DEFAULT(0),
  FCostObjID INT NOT NULL DEFAULT(0),
  FCostItemID INT NOT NULL DEFAULT(0),
  FWasterTypeID INT NOT NULL DEFAULT(0),
  FAmount DECIMAL(28,10) NOT NULL DEFAULT(0)
)

-- Cost items.  FTypeID 901 is the material cost item.
CREATE TABLE cbCostItem (
  FItemID INT NOT NULL CONSTRAINT pk_cbCostItem PRIMARY KEY CLUSTERED,
  FNumber NVARCHAR(80) NOT NULL DEFAULT(''),
  FName NVARCHAR(255) NOT NULL DEFAULT(''),
  FTypeID INT NULL
)

-- Beginning material balances of cost objects: amount (FSum) and quantity per
-- department (FDepID), cost item, material and batch.
CREATE TABLE cbCostObjDetail (
  FYear INT NOT NULL,
  FPeriod INT NOT NULL,
  FDepID INT NOT NULL DEFAULT(0),
  FCostObjID INT NOT NULL DEFAULT(0),
  FCostItemID INT NOT NULL DEFAULT(0),
  FMaterielID INT NOT NULL DEFAULT(0),
  FBatchNo VARCHAR(200) NULL DEFAULT(''),
  FSum DECIMAL(28,10) NOT NULL DEFAULT(0),
  FQty DECIMAL(28,10) NOT NULL DEFAULT(0)
)

-- Counted period-end work in process.
CREATE TABLE cbCostObjCheck (
  FYear INT NOT NULL,
  FPeriod INT NOT NULL,
  FDeptID INT NOT NULL DEFAULT(0),
  FCostObjID INT NOT NULL DEFAULT(0),
  FQty DECIMAL(28,10) NOT NULL DEFAULT(0)
)

-- Waste quantities with the percentages (100 = whole) of material and of the
-- other costs they carry.  A percentage is DECIMAL(18,10): multiplied by a
-- DECIMAL(28,10) quantity it keeps 11 decimals, where a DECIMAL(28,10) one
-- would keep 6.
CREATE TABLE CBWasterCostObjInfo (
  FYear INT NOT NULL,
  FPeriod INT NOT NULL,
  FDeptID INT NOT NULL DEFAULT(0),
  FCostObjID INT NOT NULL DEFAULT(0),
  FWasterTypeID INT NOT NULL DEFAULT(0),
  FQty DECIMAL(28,10) NOT NULL DEFAULT(0),
  FMatPercent DECIMAL(18,10) NOT NULL DEFAULT(0),
  FOthPercent DECIMAL(18,10) NOT NULL DEFAULT(0)
)

-- Production orders (FTranType 85): FStatus 1 and 2 open, 3 closed on
-- FCloseDate.
CREATE TABLE ICMO (
  FInterID INT NOT NULL CONSTRAINT pk_ICMO PRIMARY KEY CLUSTERED,
  FTranType INT NOT NULL DEFAULT(85),
  FCostObjID INT NOT NULL DEFAULT(0),
  FStatus SMALLINT NOT NULL DEFAULT(0),
  FCloseDate DATETIME NULL,
  FCommitDate DATETIME NULL,
  FPlanCommitDate DATETIME NULL,
  FQty DECIMAL(28,10) NOT NULL DEFAULT(0)
)

-- Feed lists (production BOMs) of production orders: headers (FItemID the
-- order's product; used with FStatus > 0) and lines (FMaterielType 372 and 373
-- select no material, 376 returns material; FQtyMust the quantity to issue).
CREATE TABLE PPBOM (
  FInterID INT NOT NULL CONSTRAINT pk_PPBOM PRIMARY KEY CLUSTERED,
  FICMOInterID INT NOT NULL DEFAULT(0),
  FStatus SMALLINT NOT NULL DEFAULT(0),
  FItemID INT NOT NULL DEFAULT(0)
)

CREATE TABLE PPBOMEntry (
  FInterID INT NOT NULL,
  FEntryID INT NOT NULL,
  FItemID INT NOT NULL DEFAULT(0),
  FMaterielType INT NOT NULL DEFAULT(0),
  FQtyMust DECIMAL(28,10) NOT NULL DEFAULT(0),
  CONSTRAINT pk_PPBOMEntry PRIMARY KEY CLUSTERED (FInterID, FEntryID)
)

-- ---------------------------------------------------------------------------
-- Sources of the allocation standards: the standard definitions and their
-- units, entered ration and sort data, input quantities, man-hours and the
-- rework marks of issue lines.

-- Allocation standards: FNum the number, FID the code ("CLDETLD" the material
-- quota of feed lists, "FLFJQFPBZ" the sort standard of joint products),
-- FComPlex 1 a complex standard computed by FFormula from standard units.
CREATE TABLE cb_BmStandard (
  FNum INT NOT NULL CONSTRAINT pk_cb_BmStandard PRIMARY KEY CLUSTERED,
  FID NVARCHAR(80) NOT NULL DEFAULT(''),
  FName NVARCHAR(255) NOT NULL DEFAULT(''),
  FName_EN NVARCHAR(255) NULL,
  FName_CHT NVARCHAR(255) NULL,
  FComPlex INT NOT NULL DEFAULT(0),
  FFormula NVARCHAR(2000) NULL,
  FOnline INT NOT NULL DEFAULT(0),
  FOnQty INT NOT NULL DEFAULT(0)
)

-- Units of complex standards: FItemID the kind of the unit's data, FName the
-- name its formula token carries, FStandardID the standard it reads.
CREATE TABLE cbStandardUnit (
  FItemID INT NOT NULL,
  FName NVARCHAR(255) NOT NULL,
  FStandardID INT NOT NULL DEFAULT(0)
)

-- Entered standard data per department, cost object and cost item (0: for
-- every cost item; cost object 0: for the whole department).
CREATE TABLE CBRationStandardInfo (
  FYear INT NOT NULL,
  FPeriod INT NOT NULL,
  FStandardID INT NOT NULL,
  FDeptID INT NOT NULL DEFAULT(0),
  FCostObjID INT NOT NULL DEFAULT(0),
  FCostItemID INT NOT NULL DEFAULT(0),
  FQty DECIMAL(28,10) NOT NULL DEFAULT(0)
)

-- Entered standard data of joint cost objects per product and cost item.
CREATE TABLE CBSortStandardInfo (
  FYear INT NOT NULL,
  FPeriod INT NOT NULL,
  FStandardID INT NOT NULL,
  FDeptID INT NOT NULL DEFAULT(0),
  FCostObjID INT NOT NULL DEFAULT(0),
  FProductID INT NOT NULL DEFAULT(0),
  FCostItemID INT NOT NULL DEFAULT(0),
  FQty DECIMAL(28,10) NOT NULL DEFAULT(0)
)

-- Input quantity of a period per department and cost object.
CREATE TABLE CBInQty (
  FYear INT NOT NULL,
  FPeriod INT NOT NULL,
  FDeptID INT NOT NULL DEFAULT(0),
  FCostObjID INT NOT NULL DEFAULT(0),
  FQty DECIMAL(28,10) NOT NULL DEFAULT(0)
)

-- Man-hours per department and cost object: FPurposeID 0 normal production, 1
-- repairable waste; FType 0 and 1 the two kinds of man-hours.
CREATE TABLE cbManHourInfo (
  FYear INT NOT NULL,
  FPeriod INT NOT NULL,
  FDeptID INT NOT NULL DEFAULT(0),
  FCostObjID INT NOT NULL DEFAULT(0),
  FPurposeID INT NOT NULL DEFAULT(0),
  FType INT NOT NULL DEFAULT(0),
  FQty DECIMAL(28,10) NOT NULL DEFAULT(0)
)

-- Auxiliary data of the ERP: FTypeID 244 the rework types of issue lines
-- (FReProduceType), FID 'Y' for the types that are rework.
CREATE TABLE t_SubMessage (
  FInterID INT NOT NULL CONSTRAINT pk_t_SubMessage PRIMARY KEY CLUSTERED,
  FTypeID INT NOT NULL DEFAULT(0),
  FID NVARCHAR(80) NOT NULL DEFAULT(''),
  FName NVARCHAR(255) NOT NULL DEFAULT('')
)

-- ---------------------------------------------------------------------------
-- Cost-object groups, looked up by number by the distribution client.
CREATE TABLE cbCostObjGroup (
  FItemID INT NOT NULL CONSTRAINT pk_cbCostObjGroup PRIMARY KEY CLUSTERED,
  FNumber NVARCHAR(80) NOT NULL DEFAULT(''),
  FName NVARCHAR(255) NOT NULL DEFAULT('')
)

-- ---------------------------------------------------------------------------
-- Units of measure with the auxiliary quantity and price of stock bill lines,
-- and the by-product values of a period: what the write-back of unit costs and
-- the product cost consistency inquiry read besides the tables above.

-- Units of measure: a price in the unit is the base price times
-- (FCoefficient + FScale); NULL counts as 1 and 0.
CREATE TABLE t_MeasureUnit (
  FItemID INT NOT NULL CONSTRAINT pk_t_MeasureUnit PRIMARY KEY CLUSTERED,
  FNumber NVARCHAR(80) NOT NULL DEFAULT(''),
  FName NVARCHAR(255) NOT NULL DEFAULT(''),
  FCoefficient DECIMAL(28,10) NULL DEFAULT(1),
  FScale DECIMAL(28,10) NULL DEFAULT(0)
)

-- A line's quantity and unit price in the unit FUnitID names.
ALTER TABLE ICStockBillEntry ADD FAuxQty DECIMAL(28,10) NULL DEFAULT(0)
ALTER TABLE ICStockBillEntry ADD FAuxPrice DECIMAL(28,10) NULL DEFAULT(0)

-- Value per unit of a by-product's quantity in a period.
CREATE TABLE CBDeputyInfo (
  FYear INT NOT NULL,
  FPeriod INT NOT NULL,
  FProductID INT NOT NULL,
  FAmount DECIMAL(28,10) NOT NULL DEFAULT(0),
  CONSTRAINT pk_CBDeputyInfo PRIMARY KEY CLUSTERED (FYear, FPeriod, FProductID)
)

-- ---------------------------------------------------------------------------
-- Bills of material and cost-object groups, read by the standard data of a
-- bill line: a cost object's own BOM, the BOM headers and their lines (the
-- standard BOM lines and the customer BOM lines, both of one shape), and the
-- members of each cost-object group.

-- A cost object's own BOM (ICBom.FInterID); NULL: the BOM in use of its
-- standard product.
ALTER TABLE cbCostObj ADD FBomID INT NULL

CREATE TABLE CB_CostObjGroup_Detail (
  FCostObjGroupID INT NOT NULL,
  FCostObjID INT NOT NULL,
  CONSTRAINT pk_CB_CostObjGroup_Detail PRIMARY KEY CLUSTERED (FCostObjGroupID, FCostObjID)
)

-- BOM headers: FItemID the parent item made, FQty the quantity the lines are
-- given for; FUseStatus 1072 in use, FBomType 0 to 5, FStatus > 0 audited.
CREATE TABLE ICBom (
  FInterID INT NOT NULL CONSTRAINT pk_ICBom PRIMARY KEY CLUSTERED,
  FItemID INT NOT NULL DEFAULT(0),
  FQty DECIMAL(28,10) NOT NULL DEFAULT(1),
  FUseStatus INT NOT NULL DEFAULT(0),
  FBomType INT NOT NULL DEFAULT(0),
  FStatus SMALLINT NOT NULL DEFAULT(0)
)
CREATE NONCLUSTERED INDEX idx_ICBom_FItemID ON ICBom (FItemID)

-- BOM lines: FItemID the component, FQty its quantity per header quantity,
-- FMaterielType 371 an ordinary component, valid from FBeginDay to FEndDay.
CREATE TABLE ICBomChild (
  FInterID INT NOT NULL,
  FEntryID INT NOT NULL,
  FItemID INT NOT NULL DEFAULT(0),
  FQty DECIMAL(28,10) NOT NULL DEFAULT(0),
  FMaterielType INT NOT NULL DEFAULT(371),
  FBeginDay DATETIME NULL,
  FEndDay DATETIME NULL,
  CONSTRAINT pk_ICBomChild PRIMARY KEY CLUSTERED (FInterID, FEntryID)
)
CREATE NONCLUSTERED INDEX idx_ICBomChild_FItemID ON ICBomChild (FItemID)

CREATE TABLE ICCustBomChild (
  FInterID INT NOT NULL,
  FEntryID INT NOT NULL,
  FItemID INT NOT NULL DEFAULT(0),
  FQty DECIMAL(28,10) NOT NULL DEFAULT(0),
  FMaterielType INT NOT NULL DEFAULT(371),
  FBeginDay DATETIME NULL,
  FEndDay DATETIME NULL,
  CONSTRAINT pk_ICCustBomChild PRIMARY KEY CLUSTERED (FInterID, FEntryID)
)
CREATE NONCLUSTERED INDEX idx_ICCustBomChild_FItemID ON ICCustBomChild (FItemID)

-- ---------------------------------------------------------------------------
-- The item base table and the item register, the standard product cost rows,
-- and the cost vouchers with their numbers and groups.

-- The item base table: every item with its ERP class.
CREATE TABLE t_icitembase (
  FItemID INT NOT NULL CONSTRAINT pk_t_icitembase PRIMARY KEY CLUSTERED,
  FErpClsID INT NULL
)

-- The item register that cost objects (and other base data) belong to;
-- FDeleted 0 for a live item.
CREATE TABLE t_item (
  FItemID INT NOT NULL CONSTRAINT pk_t_item PRIMARY KEY CLUSTERED,
  FItemClassID INT NOT NULL DEFAULT(0),
  FNumber NVARCHAR(80) NOT NULL DEFAULT(''),
  FName NVARCHAR(255) NOT NULL DEFAULT(''),
  FDeleted SMALLINT NOT NULL DEFAULT(0)
)

-- Standard product cost rows, keyed like cbProductCalInfo.
CREATE TABLE CBKZProductCalInfo (
  FYear INT NOT NULL,
  FPeriod INT NOT NULL,
  FDeptID INT NOT NULL DEFAULT(0),
  FCostObjID INT NOT NULL DEFAULT(0),
  FCostItemID INT NOT NULL DEFAULT(0),
  FProductID INT NOT NULL DEFAULT(0),
  FBatchNo VARCHAR(200) NOT NULL DEFAULT(''),
  FQty DECIMAL(28,10) NOT NULL DEFAULT(0),
  FPrice DECIMAL(28,10) NOT NULL DEFAULT(0),
  FAmount DECIMAL(28,10) NOT NULL DEFAULT(0),
  FLevel INT NOT NULL DEFAULT(0)
)

-- Cost vouchers made per department and period by voucher template type
-- (FTplType 7006 actual product cost, 7206 standard against actual).
CREATE TABLE cbCostVoucher (
  FYear INT NOT NULL,
  FPeriod INT NOT NULL,
  FDeptID INT NOT NULL DEFAULT(0),
  FTplType INT NOT NULL DEFAULT(0),
  FVchInterID INT NOT NULL DEFAULT(0)
)

-- Vouchers: the number within the voucher group (its word, as in G-12).
CREATE TABLE t_Voucher (
  FVoucherID INT NOT NULL CONSTRAINT pk_t_Voucher PRIMARY KEY CLUSTERED,
  FGroupID INT NOT NULL DEFAULT(0),
  FNumber INT NOT NULL DEFAULT(0),
  FYear INT NULL,
  FPeriod INT NULL,
  FDate DATETIME NULL
)

CREATE TABLE t_VoucherGroup (
  FGroupID INT NOT NULL CONSTRAINT pk_t_VoucherGroup PRIMARY KEY CLUSTERED,
  FName NVARCHAR(80) NOT NULL DEFAULT('')
)

-- ---------------------------------------------------------------------------
-- Standard settings of classification-method cost objects and by-product
-- values per cost item: what the sort and by-product standard data, the
-- classification split and the expansion of standard settings read and write.

-- The standard set per cost object, department and expense; FDeptID -1 and
-- FExpID -1 mean all departments and all expenses, and FDeptAll 1 marks a
-- setting made for every classification cost object at once (a template the
-- expansion copies to each of them).
CREATE TABLE CBDeptStdSet (
  FDeptID INT NOT NULL DEFAULT(0),
  FCostObjID INT NOT NULL DEFAULT(0),
  FExpID INT NOT NULL DEFAULT(0),
  FStandardID INT NOT NULL DEFAULT(0),
  FDeptAll SMALLINT NOT NULL DEFAULT(0)
)

-- The same settings kept per period (FYearPeriod the period as the client
-- writes it); FDeptAll 1 as above.
CREATE TABLE OPCostTaxonSet (
  FYear INT NOT NULL,
  FPeriod INT NOT NULL,
  FYearPeriod INT NOT NULL DEFAULT(0),
  FCostObjID INT NOT NULL DEFAULT(0),
  FStandardID INT NOT NULL DEFAULT(0),
  FDeptAll SMALLINT NOT NULL DEFAULT(0)
)

-- A by-product's value per unit is kept per cost item.
ALTER TABLE CBDeputyInfo ADD FCostItemID INT NOT NULL DEFAULT(0)
ALTER TABLE CBDeputyInfo DROP CONSTRAINT pk_CBDeputyInfo
ALTER TABLE CBDeputyInfo ADD CONSTRAINT pk_CBDeputyInfo PRIMARY KEY CLUSTERED (FYear, FPeriod, FProductID, FCostItemID)
-- Material distribution: what the shared-material distribution reads and
-- writes besides the tables above.

-- A distribution row's unit price: its amount over its quantity, to the
-- item's price decimals.
ALTER TABLE cbMaterielInfo ADD FPrice DECIMAL(28,10) NOT NULL DEFAULT(0)
ALTER TABLE cbWMaterielInfo ADD FPrice DECIMAL(28,10) NOT NULL DEFAULT(0)
ALTER TABLE CBWBMaterielInfo ADD FPrice DECIMAL(28,10) NOT NULL DEFAULT(0)

-- An item's plan price: the price of items of FTrack 81 under valuation style
-- 1 (CB MatCalStyle).
ALTER TABLE t_ICItem ADD FPlanPrice DECIMAL(28,10) NULL DEFAULT(0)

-- Expense kinds and the cost item each is charged to; kind '5001' is the
-- material expense, the cost item of shared lines whose item names none.
CREATE TABLE cbExpense (
  FItemID INT NOT NULL CONSTRAINT pk_cbExpense PRIMARY KEY CLUSTERED,
  FNumber NVARCHAR(80) NOT NULL DEFAULT(''),
  FName NVARCHAR(255) NOT NULL DEFAULT(''),
  FCostItemID INT NOT NULL DEFAULT(0)
)

-- ---------------------------------------------------------------------------
-- The distribution inquiry: each material's own allocation standard, the
-- purchase invoices that receipts are hooked to (the receipt-item mode), and
-- the departments' standards for shared material that the other-expense
-- component answers.

-- An item's own allocation standard (cb_BmStandard.FNum), used where a
-- department distributes shared material per item.
ALTER TABLE t_ICItem ADD FCBBMStandardID INT NULL DEFAULT(0)

-- Expense invoices and purchase invoices: FHookInterID the hook group
-- (ICHookRelations.FGroupNo) joining an invoice to the receipts it pays,
-- FVchInterID the voucher it is posted to (0 or NULL: not posted).
CREATE TABLE ICExpenses (
  FInterID INT NOT NULL CONSTRAINT pk_ICExpenses PRIMARY KEY CLUSTERED,
  FHookInterID INT NULL DEFAULT(0),
  FVchInterID INT NULL DEFAULT(0)
)

CREATE TABLE ICPurchase (
  FInterID INT NOT NULL CONSTRAINT pk_ICPurchase PRIMARY KEY CLUSTERED,
  FHookInterID INT NULL DEFAULT(0),
  FVchInterID INT NULL DEFAULT(0)
)

-- Hook groups of a period: FIBTag 2 expense invoices, 0 purchase invoices;
-- FHookType 5 the hooks of receipts to invoices.
CREATE TABLE ICHookRelations (
  FGroupNo INT NOT NULL,
  FIBTag INT NOT NULL DEFAULT(0),
  FHookType INT NOT NULL DEFAULT(0),
  FYear INT NOT NULL,
  FPeriod INT NOT NULL
)

-- The other-expense component's standard settings: per department, expense
-- kind (1 shared material) and purpose (0 normal production, 1 repairable
-- waste), the allocation standard (cb_BmStandard.FNum; -999: each item's own,
-- t_ICItem.FCBBMStandardID).
CREATE TABLE cbExpStandardSet (
  FDeptID INT NOT NULL,
  FExpenseType SMALLINT NOT NULL DEFAULT(1),
  FPurposeID SMALLINT NOT NULL DEFAULT(0),
  FStandardID INT NOT NULL DEFAULT(0),
  CONSTRAINT pk_cbExpStandardSet PRIMARY KEY CLUSTERED (FDeptID, FExpenseType, FPurposeID)
)

-- ---------------------------------------------------------------------------
-- Saving, direct rows and re-pricing of material distribution: the item
-- master's material and core records, the departments' allocation standard
-- per expense kind, and the items' opening balances per period and batch.

-- An item's material record: its own cost item (NULL: none given) and its
-- valuation (FTrack 81 plan price).
CREATE TABLE t_ICItemMaterial (
  FItemID INT NOT NULL CONSTRAINT pk_t_ICItemMaterial PRIMARY KEY CLUSTERED,
  FCostProject INT NULL,
  FTrack INT NULL DEFAULT(0)
)
-- An item's core record: its valuation (FTrack 80 batch-tracked, 81 plan
-- price, 20308 valued batch by batch).
CREATE TABLE t_ICItemCore (
  FItemID INT NOT NULL CONSTRAINT pk_t_ICItemCore PRIMARY KEY CLUSTERED,
  FTrack INT NOT NULL DEFAULT(0)
)
-- A department's allocation standard (cb_BmStandard.FNum) per expense kind
-- (FExpID 1 material).
CREATE TABLE cbStandardSet (
  FDeptID INT NOT NULL,
  FExpID INT NOT NULL,
  FStandardID INT NOT NULL DEFAULT(0)
)
-- Opening balances of an item per period and batch: amount and quantity.
CREATE TABLE icbal (
  FItemID INT NOT NULL,
  FBatchNo VARCHAR(200) NOT NULL DEFAULT(''),
  FYear INT NOT NULL,
  FPeriod INT NOT NULL,
  FBegBal DECIMAL(28,10) NOT NULL DEFAULT(0),
  FBegQty DECIMAL(28,10) NOT NULL DEFAULT(0)
)
