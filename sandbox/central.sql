-- Sample data of the central server: the master partner address book with the
-- import queue of series 10, and the central copies of the slip tables.
-- Loaded by scripts/sandbox and by the tests; UTF-8 text, stored as cp1250.
SET NAMES utf8mb4;
SET SESSION sql_mode = '';

-- The import queue of series 10.
CREATE TABLE dovodi.adresar_10 (
  kodpar VARCHAR(10) NOT NULL,
  KEY kodpar (kodpar)
) ENGINE=InnoDB DEFAULT CHARSET=cp1250 COLLATE=cp1250_czech_cs;

INSERT INTO dovodi.adresar
  (NAZEVPODNI, SIDLO, ULICECISLO, PSC, POSTA, kodpar, ICO, KOD_PLATCE, ADR1, ADR2, ADR3,
   ADR4, ADR5, ADR6, emailobj, email_fakt, LIC_VNITRO, DATUMZAL) VALUES
  ('Zemědělské družstvo Žďár, a.s.', 'Žďár nad Sázavou', 'Jihlavská 12', '59101',
   'Žďár nad Sázavou 1', '100234', '00123456', 'A', 'k rukám: p. Novotná', NULL, NULL,
   NULL, NULL, NULL, 'objednavky@zdzdar.cz', 'faktury@zdzdar.cz', 'Y',
   '2025-03-01 10:00:00'),
  ('Obchodní dům "U Mlýna" O''Reilly & syn', 'Brno', 'Údolní 5; 2. patro', '60200',
   'Brno 2', 'A00017', '44556677', 'N', 'C:\\faktury\\', 'Dotaz?', 'řádek 1
řádek 2', NULL, NULL, NULL, NULL, 'fakturace@umlyna.cz', 'Y', '2026-11-30 16:45:00'),
  ('Agro "Pole" s.r.o.', 'Třebíč', 'Polní 44', '67401', 'Třebíč', '100777', '87654321',
   'A', NULL, NULL, NULL, NULL, NULL, NULL, 'pole@agro.cz', NULL, 'N', NULL),
  ('Mlýn Kroměříž', 'Kroměříž', 'Mlýnská 1', '76701', 'Kroměříž', '790001', '11223344',
   'A', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, 'N', '2024-01-02 03:04:05');

-- Three addresses wait to be imported by the sites of series 10; 999999 was
-- removed from the central address book after it was queued.
INSERT INTO dovodi.adresar_10 (kodpar) VALUES ('100234'), ('A00017'), ('999999');

-- Slips that the site sent earlier.
INSERT INTO vorazu1.vaznil
  (PC8, cislodokla, rada, datum, cas, vazeno, spz, ridic, kodpar, nazevpar, komodita,
   brutto, tara, netto, vlhkost, necistoty, cena_t, castka, hmotnost_t, pocet_vazeni,
   stav, potvrzeno, poznamka, id_sklad, sklizen, zmeneno) VALUES
  (0, '2026/0002', '01', '2026-07-13', '16:00:00', '2026-07-13 16:00:00', '1AB 0042',
   'Pavel O''Neil', '100777', 'Agro "Pole" s.r.o.', 'ječmen sladovnický',
   30000, 12000, 18000, 14.00, 0.80, 4780.00, 86040, 18, 1, 0, 'N',
   'předchozí verze', NULL, 2025, '2026-07-13 16:05:00'),
  (0, '2026/0099', '01', '2026-07-20', '12:30:00', '2026-07-20 12:30:00', '5C7 1234',
   'Karel Novák', '100234', 'Zemědělské družstvo Žďár, a.s.', 'oves',
   25000, 11000, 14000, 12.00, 0.50, 3900.00, 54600, 14, 1, 1, 'Y',
   'již odesláno dříve', 42, 2026, '2026-07-20 12:31:00');
