SELECT item, amount FROM cost WHERE amount > 0 ORDER BY amount DESC
GO
SELECT MAX(booked) AS last_booked FROM cost
