-- A data file as a cafe owner's Debian sqlcipher shell writes it: the Windows build's
-- DataFileExchange test reads it back. The three tables as the program makes them;
-- no Booked_T yet (a file from before it existed).
PRAGMA key = 'quiltmoss';
CREATE TABLE Login_M (Login TEXT COLLATE NOCASE, Password TEXT);
CREATE TABLE Guest_T (Gdate TEXT, Gnum INTEGER CHECK (Gnum BETWEEN -32768 AND 32767), Gamt REAL);
CREATE TABLE Rates_M (Rate0to14 NUMERIC, Rate15to29 NUMERIC, Rate30to44 NUMERIC, Rate45to59 NUMERIC);
INSERT INTO Login_M VALUES ('admin', 'from linux'), ('guest', 'gäst');
INSERT INTO Rates_M VALUES (10, 15, 20.5, 25);
INSERT INTO Guest_T VALUES ('12/31/2025', 3, 42.5), ('01/01/2026', 32767, 1000000.25);
