-- The demo database of qrt-form: a small customer file as a German firm
-- keeps it. Kunden (300 customers), Artikel (60 articles) and Bestellungen
-- (800 orders), with whole and fractional numbers, short and long texts (a
-- multi-line note among them), dates, yes/no values and Null values, and
-- stored forms for Kunden and Artikel laid out by hand: grouped in frames,
-- with captions in plain German and widths that fit their contents. A
-- customer's turnover and order count agree with the orders.
--
-- Made by scripts/make-demo-db.sh:  sqlite3 kunden.sqlite < demo.sql
-- Every value is computed from the row number, so every run gives the same
-- database.

PRAGMA foreign_keys = ON;
BEGIN;

CREATE TABLE Kunden (
    ID INTEGER PRIMARY KEY,
    Anrede VARCHAR(10),
    Vorname VARCHAR(40),
    Name VARCHAR(50) NOT NULL,
    Firma VARCHAR(60),
    Strasse VARCHAR(60),
    PLZ VARCHAR(5),
    Ort VARCHAR(40),
    Telefon VARCHAR(30),
    EMail VARCHAR(80),
    KundeSeit DATE,
    Rabatt DOUBLE,
    Umsatz NUMERIC(12,2),
    Bestellungen INTEGER,
    Aktiv BOOLEAN NOT NULL DEFAULT 1,
    Newsletter BOOLEAN,
    Notiz TEXT
);

CREATE TABLE Artikel (
    ArtNr INTEGER PRIMARY KEY,
    Bezeichnung VARCHAR(60) NOT NULL,
    Einheit VARCHAR(10),
    Preis NUMERIC(10,2) NOT NULL,
    Lagerbestand INTEGER,
    Lieferbar BOOLEAN,
    Beschreibung TEXT
);

CREATE TABLE Bestellungen (
    ID INTEGER PRIMARY KEY,
    KundeID INTEGER NOT NULL REFERENCES Kunden (ID),
    ArtNr INTEGER NOT NULL REFERENCES Artikel (ArtNr),
    Datum DATE NOT NULL,
    Menge INTEGER NOT NULL,
    Betrag NUMERIC(12,2),
    Bezahlt BOOLEAN,
    Bemerkung VARCHAR(200)
);

-- Pools the rows draw from.
CREATE TEMP TABLE Pool (kind TEXT, nr INTEGER, value TEXT, extra TEXT);
INSERT INTO Pool (kind, nr, value, extra)
SELECT 'vorname', key, value, CASE WHEN key < 12 THEN 'Frau' ELSE 'Herr' END
FROM json_each('["Anna","Birgit","Claudia","Doris","Eva","Franziska","Gisela","Hannah",
  "Ingrid","Julia","Katrin","Lena","Andreas","Bernd","Christian","Dieter","Erich",
  "Frank","Günter","Hans","Jürgen","Klaus","Lothar","Markus"]');
INSERT INTO Pool (kind, nr, value)
SELECT 'name', key, value
FROM json_each('["Müller","Schmidt","Schneider","Fischer","Weber","Meyer","Wagner",
  "Becker","Schulz","Hoffmann","Schäfer","Koch","Bauer","Richter","Klein","Wolf",
  "Schröder","Neumann","Schwarz","Zimmermann","Braun","Krüger","Hofmann","Hartmann",
  "Lange","Schmitt","Werner","Krause","Meier","Lehmann","Köhler","Herrmann",
  "König","Walter","Mayer","Huber","Kaiser","Fuchs","Peters","Lang"]');
INSERT INTO Pool (kind, nr, value)
SELECT 'strasse', key, value
FROM json_each('["Hauptstraße","Bahnhofstraße","Gartenweg","Lindenallee","Schulstraße",
  "Am Markt","Kirchgasse","Rosenweg","Bergstraße","Mühlenweg","Birkenweg","Goethestraße",
  "Schillerplatz","Dorfstraße","Wiesenstraße","Am Bach"]');
INSERT INTO Pool (kind, nr, value, extra)
SELECT 'ort', key, json_extract(value, '$[0]'), json_extract(value, '$[1]')
FROM json_each('[["Bonn","53111"],["Köln","50667"],["Düsseldorf","40213"],
  ["Essen","45127"],["Münster","48143"],["Aachen","52062"],["Dortmund","44135"],
  ["Bielefeld","33602"],["Siegen","57072"],["Koblenz","56068"],["Trier","54290"],
  ["Mainz","55116"],["Würzburg","97070"],["Göttingen","37073"],["Lübeck","23552"]]');
INSERT INTO Pool (kind, nr, value)
SELECT 'firma', key, value
FROM json_each('["Bäckerei Sonnenschein","Autohaus am Ring","Gärtnerei Blütenpracht",
  "Elektro Funke GmbH","Steuerbüro Zahlenwerk","Café Zuckerhut","Tischlerei Holzwurm",
  "Reisebüro Fernweh","Malerbetrieb Farbenfroh","Apotheke am Dom",
  "Müller & Söhne KG","Druckerei <Schwarz auf Weiß>"]');
INSERT INTO Pool (kind, nr, value)
SELECT 'notiz', key, value
FROM json_each('["Ruft meist vormittags an.\nRechnungen bitte per E-Mail.",
  "Stammkunde seit der Eröffnung.",
  "Lieferung nur über den Hintereingang (Tor 2).\nKlingel defekt – bitte anrufen.\nParkplatz im Hof.",
  "Wünscht Angebote mit 3 % Skonto.",
  "Achtung: Firmenname enthält \"&\" und \"<\" – bei Etiketten prüfen.",
  "Urlaub im August.\n\nVertretung: Frau Berger, Tel. 0228 / 55 66 77.",
  "Zahlt immer pünktlich."]');

WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300)
INSERT INTO Kunden
SELECT i,
       (SELECT extra FROM Pool WHERE kind = 'vorname' AND nr = (i * 7) % 24),
       (SELECT value FROM Pool WHERE kind = 'vorname' AND nr = (i * 7) % 24),
       (SELECT value FROM Pool WHERE kind = 'name' AND nr = (i * 13 + i / 24) % 40),
       CASE WHEN i % 4 = 0 THEN (SELECT value FROM Pool WHERE kind = 'firma' AND nr = (i / 4) % 12) END,
       (SELECT value FROM Pool WHERE kind = 'strasse' AND nr = (i * 5) % 16) || ' ' || (1 + (i * 17) % 120),
       (SELECT extra FROM Pool WHERE kind = 'ort' AND nr = (i * 7) % 15),
       (SELECT value FROM Pool WHERE kind = 'ort' AND nr = (i * 7) % 15),
       CASE WHEN i % 6 <> 5 THEN '0' || (200 + (i * 37) % 700) || ' / ' || (100000 + (i * 7919) % 900000) END,
       CASE WHEN i % 3 <> 2 THEN lower(
           replace(replace(replace(replace(
               (SELECT value FROM Pool WHERE kind = 'vorname' AND nr = (i * 7) % 24) || '.' ||
               (SELECT value FROM Pool WHERE kind = 'name' AND nr = (i * 13 + i / 24) % 40),
               'ä', 'ae'), 'ö', 'oe'), 'ü', 'ue'), 'ß', 'ss')) || '@example.de' END,
       CASE WHEN i % 25 <> 24 THEN date('2003-01-15', '+' || ((i * 97) % 5800) || ' days') END,
       CASE WHEN i % 5 = 0 THEN NULL ELSE ((i * 3) % 7) * 2.5 END,
       round(((i * 7919) % 250000) / 10.0 + 0.05 * (i % 20), 2),
       (i * 11) % 40,
       CASE WHEN i % 17 = 0 THEN 0 ELSE 1 END,
       CASE WHEN i % 9 = 0 THEN NULL ELSE i % 2 END,
       CASE WHEN i % 4 = 1 THEN (SELECT value FROM Pool WHERE kind = 'notiz' AND nr = (i / 4) % 7) END
FROM n;

WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60)
INSERT INTO Artikel
SELECT 1000 + i,
       json_extract('["Schraube","Dübel","Hammer","Zange","Säge","Bohrer","Leim","Pinsel",
         "Farbe","Schleifpapier"]', '$[' || (i % 10) || ']') || ' ' ||
       json_extract('["klein","mittel","groß","Profi","Standard","Öko"]', '$[' || (i % 6) || ']'),
       json_extract('["Stück","Packung","Liter","Meter"]', '$[' || (i % 4) || ']'),
       round(0.49 + (i * 137 % 9000) / 100.0, 2),
       CASE WHEN i % 11 = 0 THEN NULL ELSE (i * 31) % 500 END,
       CASE WHEN i % 13 = 0 THEN 0 ELSE 1 END,
       CASE WHEN i % 3 = 0 THEN 'Geprüfte Qualität.' || char(10) || 'Lieferzeit 2–3 Tage.' END
FROM n;

WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 800)
INSERT INTO Bestellungen
SELECT i,
       1 + (i * 7) % 300,
       1001 + (i * 13 + i / 7) % 60,
       date('2019-01-02', '+' || ((i * 3) % 2100) || ' days'),
       2 + (i * 5) % 23,
       NULL,
       CASE WHEN i % 10 = 0 THEN NULL ELSE (i % 4) <> 0 END,
       CASE WHEN i % 7 = 0 THEN 'Teillieferung' WHEN i % 11 = 0 THEN 'Express' END
FROM n;
UPDATE Bestellungen
SET Betrag = round(Menge * (SELECT Preis FROM Artikel WHERE Artikel.ArtNr = Bestellungen.ArtNr), 2);

-- A customer's figures are those of the orders: what the form shows agrees
-- with the Bestellungen table (every customer has two or three orders, all
-- placed after the customer's first day).
UPDATE Kunden
SET Bestellungen = (SELECT COUNT(*) FROM Bestellungen b WHERE b.KundeID = Kunden.ID),
    Umsatz = (SELECT round(SUM(b.Betrag), 2) FROM Bestellungen b WHERE b.KundeID = Kunden.ID);

DROP TABLE Pool;

-- The stored form definitions of Kunden and Artikel, in the library's own tables.
CREATE TABLE QRTFORM(QRTFORM_ID INT NOT NULL, NAME VARCHAR(255) NOT NULL, FORM_TOP INT,
    FORM_LEFT INT, FORM_BOTTOM INT, FORM_RIGHT INT, FORM_TITEL VARCHAR(255), RASTER_X INT,
    RASTER_Y INT, SHOW_RASTER INT, CONSTRAINT PK_QRTFORM PRIMARY KEY (QRTFORM_ID));
CREATE TABLE QRTFORMITEM(QRTFORMITEM_ID INT NOT NULL, QRTFORM_ID INT NOT NULL,
    CONTROLINFO TEXT NOT NULL, CONSTRAINT PK_QRTFORMITEM PRIMARY KEY (QRTFORMITEM_ID),
    CONSTRAINT FK_QRTFORMITEM_QRTFORM FOREIGN KEY (QRTFORM_ID) REFERENCES QRTFORM (QRTFORM_ID));

-- The rectangles are the outer ones of the host window: they leave room for
-- a window manager's title bar and borders, so the form fits without
-- scroll bars.
INSERT INTO QRTFORM VALUES (1, 'Kunden', 60, 120, 780, 780, 'Kunden', 5, 5, 1);
INSERT INTO QRTFORM VALUES (2, 'Artikel', 100, 160, 520, 820, 'Artikel', 5, 5, 1);

-- One row per control: form, kind, name, caption, left, top, right, bottom,
-- alignment, multi-line, and what a control stores beyond that (the
-- customer's orders: a subform). Bestellungen keeps no form, so that design
-- mode (qrt-form --design --table Bestellungen) has one to generate.
CREATE TEMP TABLE Layout (nr INTEGER PRIMARY KEY, form INT NOT NULL DEFAULT 1, typ INT,
    name TEXT, caption TEXT, l INT, t INT, r INT, b INT, align TEXT DEFAULT 'Left',
    multi TEXT DEFAULT 'False', extra TEXT DEFAULT '');
INSERT INTO Layout (nr, typ, name, caption, l, t, r, b, align, multi) VALUES
 -- Kunde
 (1, 4, 'Kunde_RAHMEN', 'Kunde', 10, 5, 630, 135, 'Left', 'False'),
 (2, 0, 'Anrede_TITEL', 'Anrede:', 25, 29, 110, 45, 'Left', 'False'),
 (3, 1, 'Anrede', 'Anrede', 115, 25, 195, 47, 'Left', 'False'),
 (4, 0, 'Vorname_TITEL', 'Vorname:', 25, 55, 110, 71, 'Left', 'False'),
 (5, 1, 'Vorname', 'Vorname', 115, 51, 330, 73, 'Left', 'False'),
 (6, 0, 'Name_TITEL', 'Name:', 25, 81, 110, 97, 'Left', 'False'),
 (7, 1, 'Name', 'Name', 115, 77, 330, 99, 'Left', 'False'),
 (8, 0, 'Firma_TITEL', 'Firma:', 25, 107, 110, 123, 'Left', 'False'),
 (9, 1, 'Firma', 'Firma', 115, 103, 465, 125, 'Left', 'False'),
 (10, 0, 'KundeSeit_TITEL', 'Kunde seit:', 360, 29, 450, 45, 'Left', 'False'),
 (11, 3, 'KundeSeit', 'KundeSeit', 455, 25, 560, 47, 'Left', 'False'),
 (12, 2, 'Aktiv', 'Aktiver Kunde', 455, 53, 615, 71, 'Left', 'False'),
 (13, 2, 'Newsletter', 'Newsletter', 455, 79, 615, 97, 'Left', 'False'),
 -- Anschrift
 (14, 4, 'Anschrift_RAHMEN', 'Anschrift und Kontakt', 10, 140, 630, 250, 'Left', 'False'),
 (15, 0, 'Strasse_TITEL', 'Straße:', 25, 164, 110, 180, 'Left', 'False'),
 (16, 1, 'Strasse', 'Strasse', 115, 160, 465, 182, 'Left', 'False'),
 (17, 0, 'PLZ_TITEL', 'PLZ / Ort:', 25, 190, 110, 206, 'Left', 'False'),
 (18, 1, 'PLZ', 'PLZ', 115, 186, 175, 208, 'Left', 'False'),
 (19, 1, 'Ort', 'Ort', 180, 186, 465, 208, 'Left', 'False'),
 (20, 0, 'Telefon_TITEL', 'Telefon:', 25, 216, 110, 232, 'Left', 'False'),
 (21, 1, 'Telefon', 'Telefon', 115, 212, 290, 234, 'Left', 'False'),
 (22, 0, 'EMail_TITEL', 'E-Mail:', 300, 216, 360, 232, 'Left', 'False'),
 (23, 1, 'EMail', 'EMail', 365, 212, 615, 234, 'Left', 'False'),
 -- Konto
 (24, 4, 'Konto_RAHMEN', 'Konto', 10, 255, 630, 310, 'Left', 'False'),
 (25, 0, 'Umsatz_TITEL', 'Umsatz (€):', 25, 279, 110, 295, 'Left', 'False'),
 (26, 1, 'Umsatz', 'Umsatz', 115, 275, 215, 297, 'Right', 'False'),
 (27, 0, 'Rabatt_TITEL', 'Rabatt (%):', 240, 279, 320, 295, 'Left', 'False'),
 (28, 1, 'Rabatt', 'Rabatt', 325, 275, 385, 297, 'Right', 'False'),
 (29, 0, 'Bestellungen_TITEL', 'Bestellungen:', 410, 279, 505, 295, 'Left', 'False'),
 (30, 1, 'Bestellungen', 'Bestellungen', 510, 275, 560, 297, 'Right', 'False'),
 -- Notiz
 (31, 4, 'Notiz_RAHMEN', 'Notiz', 10, 315, 630, 405, 'Left', 'False'),
 (32, 1, 'Notiz', 'Notiz', 25, 335, 615, 395, 'Left', 'True');

INSERT INTO Layout (nr, typ, name, caption, l, t, r, b, extra) VALUES
 (33, 4, 'Bestellungen_UNTERFORMULAR', 'Bestellungen', 10, 410, 630, 600,
  '<SUBFORM TABLE="Bestellungen" LINK="KundeID" KEY="ID"></SUBFORM>');

INSERT INTO Layout (nr, form, typ, name, caption, l, t, r, b, align, multi) VALUES
 -- Artikel
 (101, 2, 4, 'Artikel_RAHMEN', 'Artikel', 10, 5, 630, 110, 'Left', 'False'),
 (102, 2, 0, 'ArtNr_TITEL', 'Artikel-Nr.:', 25, 29, 110, 45, 'Left', 'False'),
 (103, 2, 1, 'ArtNr', 'ArtNr', 115, 25, 185, 47, 'Right', 'False'),
 (104, 2, 2, 'Lieferbar', 'Lieferbar', 455, 27, 615, 45, 'Left', 'False'),
 (105, 2, 0, 'Bezeichnung_TITEL', 'Bezeichnung:', 25, 55, 110, 71, 'Left', 'False'),
 (106, 2, 1, 'Bezeichnung', 'Bezeichnung', 115, 51, 465, 73, 'Left', 'False'),
 (107, 2, 0, 'Einheit_TITEL', 'Einheit:', 25, 81, 110, 97, 'Left', 'False'),
 (108, 2, 1, 'Einheit', 'Einheit', 115, 77, 195, 99, 'Left', 'False'),
 -- Preis und Lager
 (109, 2, 4, 'Preis_RAHMEN', 'Preis und Lager', 10, 115, 630, 170, 'Left', 'False'),
 (110, 2, 0, 'Preis_TITEL', 'Preis (€):', 25, 139, 110, 155, 'Left', 'False'),
 (111, 2, 1, 'Preis', 'Preis', 115, 135, 215, 157, 'Right', 'False'),
 (112, 2, 0, 'Lagerbestand_TITEL', 'Lagerbestand:', 260, 139, 355, 155, 'Left', 'False'),
 (113, 2, 1, 'Lagerbestand', 'Lagerbestand', 360, 135, 430, 157, 'Right', 'False'),
 -- Beschreibung
 (114, 2, 4, 'Beschreibung_RAHMEN', 'Beschreibung', 10, 175, 630, 300, 'Left', 'False'),
 (115, 2, 1, 'Beschreibung', 'Beschreibung', 25, 195, 615, 285, 'Left', 'True');

INSERT INTO QRTFORMITEM
SELECT nr, form,
       '<CONTROLINFO TYP="' || typ || '"><NAME>' || name || '</NAME><LEFT>' || l ||
       '</LEFT><RIGHT>' || r || '</RIGHT><TOP>' || t || '</TOP><BOTTOM>' || b ||
       '</BOTTOM><CAPTION>' || caption ||
       '</CAPTION><FONT NAME="MS Sans Serif" SIZE="80" BOLD="' ||
       CASE WHEN typ = 4 THEN 700 ELSE 0 END ||
       '" ITALIC="0"></FONT><ALIGN>' || align || '</ALIGN><MULTILINE>' || multi ||
       '</MULTILINE>' || extra || '</CONTROLINFO>'
FROM Layout ORDER BY nr;

DROP TABLE Layout;

-- Three saved filters for the filter dialog (Strg+F), in the library's own
-- tables; values are stored as the SQL operands the dialog writes.
CREATE TABLE QRTFILTER(QRTFILTER_ID INT NOT NULL,BEZEICHNUNG VARCHAR(255) NOT NULL,
    CONSTRAINT PK_QRTFILTER PRIMARY KEY (QRTFILTER_ID));
CREATE TABLE QRTFILTERITEM(QRTFILTERITEM_ID  INT NOT NULL,QRTFILTER_ID INT NOT NULL,
    SPALTE VARCHAR(255) NOT NULL,BED SMALLINT NOT NULL,WERT VARCHAR(255) NOT NULL,
    CONSTRAINT PK_QRTFILTERITEM PRIMARY KEY (QRTFILTERITEM_ID),
    CONSTRAINT FK_QRTFILTER FOREIGN KEY (QRTFILTER_ID) REFERENCES QRTFILTER (QRTFILTER_ID));
INSERT INTO QRTFILTER VALUES (1, 'Kunden in Bonn'), (2, 'Großkunden ohne Rabatt'),
    (3, 'Namen auf -mann');
-- Conditions: 1 gleich, 2 ungleich, 3 enthält, 4 größer, 5 kleiner, 6 ohne Wert.
INSERT INTO QRTFILTERITEM VALUES
    (1, 1, 'Ort', 1, '''Bonn'''),
    (2, 2, 'Umsatz', 4, '2000'),
    (3, 2, 'Rabatt', 6, ''),
    (4, 3, 'Name', 3, '''%mann%''');
COMMIT;
