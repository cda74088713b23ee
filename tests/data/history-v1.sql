-- A history as the first schema made it, with one record.
CREATE TABLE envois (
 id INTEGER PRIMARY KEY,
 sent_utc TEXT NOT NULL, utc_offset INTEGER NOT NULL, origin TEXT NOT NULL,
 version TEXT NOT NULL, account TEXT NOT NULL, computer TEXT NOT NULL,
 port INTEGER NOT NULL, device TEXT NOT NULL,
 maker TEXT NOT NULL, product TEXT NOT NULL, serial_number TEXT NOT NULL,
 setup_file TEXT NOT NULL, message BLOB NOT NULL,
 outcome TEXT NOT NULL, reason TEXT NOT NULL,
 answer BLOB NOT NULL, answer_text TEXT NOT NULL,
 label TEXT NOT NULL, search TEXT NOT NULL);
INSERT INTO envois VALUES (1, '2026-11-30T08:15:00.000Z', 3600, 'window', '1.0.0', 'technicien',
 'POSTE-ATELIER', 3, '/dev/ttyUSB0', 'FTDI', 'FT232R', 'A1', '/home/technicien/poste-nord.ini',
 X'6E0AC8050100FF010000FF010000FF010000FF010000FF010000FF010000FF010001020000000000000000000000000000000000', 'answered', '', X'4F4B0D0A', 'OK' || char(13, 10), 'Poste Nord', 'poste nord');
PRAGMA user_version = 1;
