-- Builds a small database; one batch fails on purpose.
SET NOCOUNT OFF
CREATE TABLE cost (
  id INT IDENTITY(1, 1) PRIMARY KEY,
  item NVARCHAR(20) NOT NULL,
  amount DECIMAL(12, 2) DEFAULT 0,
  booked DATETIME NULL)
INSERT cost (item, amount, booked) VALUES (N'steel', 1250.5, '2024-01-31'), (N'材料', 12, NULL)
INSERT cost (item) VALUES (N'labour')
go
  Go  
SELECT id, item, amount, booked FROM cost ORDER BY id
PRINT 'three rows'
GO
SELECT item FROM missing
GO
UPDATE cost SET amount = amount + 1
  WHERE item = N'labour'
INSERT cost (item) VALUES (NULL)
GO
BEGIN TRAN
DELETE cost
ROLLBACK
SELECT COUNT(*) AS rows_left, SUM(amount) AS total FROM cost
