-- The ERP tables the call frame and the period component read.

-- System profile: one setting per category and key, its value as text
-- (GL PeriodCount, CB StartYear / StartPeriod / CurrentYear / CurrentPeriod, ...).
CREATE TABLE t_SystemProfile (
  FCategory NVARCHAR(30) NOT NULL,
  FKey NVARCHAR(100) NOT NULL,
  FValue NVARCHAR(255) NULL,
  FDescription NVARCHAR(255) NULL,
  PRIMARY KEY (FCategory, FKey)
)

-- Accounting calendar: the first day of each period of a year.  A period runs
-- to the day before the next period's first day; the period after the last one
-- of a year is period 1 of the next year.  A year without rows runs in
-- calendar months.
CREATE TABLE t_PeriodCalendar (
  FYear INT NOT NULL,
  FPeriod INT NOT NULL,
  FStartDate DATETIME NOT NULL,
  PRIMARY KEY (FYear, FPeriod)
)
