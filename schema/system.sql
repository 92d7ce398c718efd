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
GO

-- GetPeriodStartEnd @year, @period, @start OUTPUT, @end OUTPUT: the first day
-- of an accounting period and the first day of the period after it, so that
-- the period's dates d are @start <= d < @end.  The first days come from
-- t_PeriodCalendar; the period after a year's last one is period 1 of the next
-- year; a year without calendar rows (or a database without the calendar)
-- runs in calendar months.  A NULL year or period gives NULL bounds.  A period
-- the calendar does not hold, a period beyond 1..12 in calendar months, a year
-- outside 1753..9999 and a period that does not end after it starts are
-- errors 50000 (the bounds NULL, the status 1).
CREATE PROCEDURE GetPeriodStartEnd
  @year INT,
  @period INT,
  @start DATETIME OUTPUT,
  @end DATETIME OUTPUT
AS
BEGIN
  SET NOCOUNT ON
  DECLARE @calendar BIT, @nextYear BIGINT, @yearText VARCHAR(20)
  SELECT @start = NULL, @end = NULL, @calendar = 0
  IF @year IS NULL OR @period IS NULL RETURN 0

  -- The calendar is read only where it exists.
  IF OBJECT_ID('t_PeriodCalendar', 'U') IS NOT NULL
  BEGIN
    IF EXISTS (SELECT 1 FROM t_PeriodCalendar WHERE FYear = @year) SET @calendar = 1
  END

  IF @calendar = 0
  BEGIN
    IF @period < 1 OR @period > 12
    BEGIN
      RAISERROR ('GetPeriodStartEnd: there is no period %d of %d in calendar months', 16, 1, @period, @year)
      RETURN 1
    END
    SET @nextYear = CASE WHEN @period = 12 THEN CAST(@year AS BIGINT) + 1 ELSE @year END
    IF @year < 1753 OR @year > 9999 OR @nextYear > 9999
    BEGIN
      SET @yearText = CASE WHEN @year < 1753 OR @year > 9999 THEN @year ELSE @nextYear END
      RAISERROR ('GetPeriodStartEnd: year %s is outside 1753..9999', 16, 1, @yearText)
      RETURN 1
    END
    SET @start = DATEADD(MONTH, (@year - 1900) * 12 + @period - 1, CONVERT(DATETIME, '19000101', 112))
    SET @end = DATEADD(MONTH, 1, @start)
    RETURN 0
  END

  SELECT @start = FStartDate FROM t_PeriodCalendar WHERE FYear = @year AND FPeriod = @period
  IF @start IS NULL
  BEGIN
    RAISERROR ('GetPeriodStartEnd: t_PeriodCalendar has no row for period %d of %d', 16, 1, @period, @year)
    RETURN 1
  END
  SELECT TOP 1 @end = FStartDate FROM t_PeriodCalendar WHERE FYear = @year AND FPeriod > @period
  ORDER BY FPeriod
  IF @end IS NULL
  BEGIN
    -- The year's last period: period 1 of the next year ends it.
    SET @nextYear = CAST(@year AS BIGINT) + 1
    SET @yearText = @nextYear
    IF EXISTS (SELECT 1 FROM t_PeriodCalendar WHERE FYear = @nextYear)
    BEGIN
      SELECT @end = FStartDate FROM t_PeriodCalendar WHERE FYear = @nextYear AND FPeriod = 1
      IF @end IS NULL
      BEGIN
        SET @start = NULL
        RAISERROR ('GetPeriodStartEnd: t_PeriodCalendar has no row for period 1 of %s', 16, 1, @yearText)
        RETURN 1
      END
    END
    ELSE
    BEGIN
      IF @nextYear < 1753 OR @nextYear > 9999
      BEGIN
        SET @start = NULL
        RAISERROR ('GetPeriodStartEnd: year %s is outside 1753..9999', 16, 1, @yearText)
        RETURN 1
      END
      SET @end = DATEADD(YEAR, @nextYear - 1900, CONVERT(DATETIME, '19000101', 112))
    END
  END
  IF @end <= @start
  BEGIN
    SELECT @start = NULL, @end = NULL
    RAISERROR ('GetPeriodStartEnd: t_PeriodCalendar''s period %d of %d does not end after it starts', 16, 1,
      @period, @year)
    RETURN 1
  END
  RETURN 0
END
