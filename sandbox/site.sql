-- Sample data of a site's local server: the send queues of the slip tables,
-- slips waiting to be sent and the site's copy of the partner address book.
SET NAMES utf8mb4;
SET SESSION sql_mode = '';

CREATE TABLE vorazu1.vaznil_00 (
  cislodokla VARCHAR(20) NOT NULL,
  rada VARCHAR(10) NOT NULL,
  KEY slip (cislodokla, rada)
) ENGINE=InnoDB DEFAULT CHARSET=cp1250 COLLATE=cp1250_czech_cs;

CREATE TABLE vorazu1.laborl_00 (
  cislodokla VARCHAR(20) NOT NULL,
  rada VARCHAR(10) NOT NULL,
  KEY slip (cislodokla, rada)
) ENGINE=InnoDB DEFAULT CHARSET=cp1250 COLLATE=cp1250_czech_cs;

INSERT INTO vorazu1.vaznil
  (PC8, cislodokla, rada, datum, cas, vazeno, spz, ridic, kodpar, nazevpar, komodita,
   brutto, tara, netto, vlhkost, necistoty, cena_t, castka, hmotnost_t, pocet_vazeni,
   stav, potvrzeno, poznamka, id_sklad, sklizen, zmeneno) VALUES
  (1, '2026/0001', '01', '2026-07-14', '07:42:10', '2026-07-14 07:42:10', '3B4 5521',
   'Jiří Dvořák', '100234', 'Zemědělské družstvo Žďár, a.s.', 'pšenice potravinářská',
   38420, 14380, 24040, 13.80, 1.20, 5120.50, 123089, 24.04, 2, 1, 'Y',
   'Vlhkost přeměřena; vzorek č. 2: OK?', 9000000001, 2026, '2026-07-14 08:01:00'),
  (1, '2026/0002', '01', '2026-07-14', '09:05:00', '2026-07-14 09:05:00', '1AB 0042',
   'Pavel O''Neil', '100777', 'Agro "Pole" s.r.o.', 'ječmen sladovnický',
   30150, 12010, 18140, 14.25, 0.85, 4780.00, 86709, 18.14, 1, 0, 'N',
   'Cesta: C:\\sklad\\vahy\\2026\\ — ověřit', -5, 2025, '2026-07-14 09:10:30'),
  (1, '2026/0003', '01', '0000-00-00', '00:00:00', '0000-00-00 00:00:00', NULL,
   NULL, NULL, NULL, 'řepka', 0, 0, 0, NULL, NULL, NULL, NULL, NULL, NULL,
   NULL, 'N', NULL, NULL, NULL, NULL),
  (1, 'O''B-17', '02', '1899-12-30', '36:15:00', '1899-12-30 14:05:00', 'ZZ ; 99',
   'Řidič
s novým řádkem', '790001', 'Mlýn Kroměříž\\', 'kukuřice',
   -2147483648, 2147483647, 0, -99999999.99, 99999999.99, 0.01, 9999999999, 1E-5, -32768,
   -128, 'Y', 'Text se středníkem; dvojtečkou: a otazníkem?', 9223372036854775807, 1901,
   '2026-01-01 00:00:00'),
  (1, '2026/0099', '01', '2026-07-20', '12:30:00', '2026-07-20 12:30:00', '5C7 1234',
   'Karel Novák', '100234', 'Zemědělské družstvo Žďár, a.s.', 'oves',
   25000, 11000, 14000, 12.00, 0.50, 3900.00, 54600, 14, 1, 1, 'Y',
   'již odesláno dříve', 42, 2026, '2026-07-20 12:31:00');

-- Four slips wait to be sent; one of them no longer exists in vaznil.
INSERT INTO vorazu1.vaznil_00 (cislodokla, rada) VALUES
  ('2026/0001', '01'), ('2026/0002', '01'), ('O''B-17', '02'), ('2026/0404', '01');

INSERT INTO vorazu1.laborl
  (PC8, cislodokla, rada, datum, cas, odebrano, kodpar, komodita, vzorek, vlhkost,
   primesi, necistoty, bilkoviny, objem_hmotnost, padove_cislo, trida, srazka_kc,
   schvaleno, laborant, poznamka, cislo_vzorku, sklizen, zapsano) VALUES
  (1, 'L2026/0001', '01', '2026-07-14', '07:50:00', '2026-07-14 07:50:00', '100234',
   'pšenice potravinářská', 'V-1', 13.80, 2.10, 1.20, 12.75, 780, 310, 1, 0, 'Y',
   'Ing. Šárka Horáková', 'Bez závad.', 77000001, 2026, '2026-07-14 08:20:00'),
  (1, 'L2026/0002', '01', '2026-07-14', '09:15:00', '2026-07-14 09:15:00', '100777',
   'ječmen sladovnický', 'V-2', 14.25, 3.40, 0.85, 10.5, 690, 280, 2, 1250, 'N',
   'Tomáš O''Connor', 'Zápach: mírný\nvzorek uložen v C:\\lab\\', NULL, 2025,
   '2026-07-14 09:40:00'),
  (1, 'L2026/0003', '01', '0000-00-00', NULL, '1899-12-30 00:00:00', NULL, 'řepka',
   NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, 'N', NULL, NULL, NULL, NULL,
   NULL);

INSERT INTO vorazu1.laborl_00 (cislodokla, rada) VALUES
  ('L2026/0001', '01'), ('L2026/0002', '01'), ('L2026/0003', '01');

INSERT INTO dovodi.adresar
  (NAZEVPODNI, SIDLO, ULICECISLO, PSC, POSTA, kodpar, ICO, KOD_PLATCE, ADR1, ADR2, ADR3,
   ADR4, ADR5, ADR6, emailobj, email_fakt, LIC_VNITRO, DATUMZAL) VALUES
  ('Zemědělské družstvo Žďár, a.s.', 'Žďár nad Sázavou', 'Jihlavská 12', '59101',
   'Žďár nad Sázavou 1', '100234', '00123456', 'A', NULL, NULL, NULL, NULL, NULL, NULL,
   'objednavky@zdzdar.cz', 'faktury@zdzdar.cz', 'Y', '2025-03-01 10:00:00'),
  ('Starý název s.r.o.', 'Brno', 'Údolní 5', '60200', 'Brno 2', 'A00017', '44556677',
   'N', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, 'Y', '2024-11-11 11:11:11'),
  ('Mlýn Kroměříž', 'Kroměříž', 'Mlýnská 1', '76701', 'Kroměříž', '790001', '11223344',
   'A', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, 'Y', '2024-01-02 03:04:05'),
  ('Zrušený partner', 'Jihlava', 'Polní 7', '58601', 'Jihlava', '999999', NULL, NULL,
   NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, 'N', '2020-05-05 05:05:05');
