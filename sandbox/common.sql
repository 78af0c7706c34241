-- Tables that both servers have: the two databases, the slip tables and the
-- partner address book. Loaded before site.sql or central.sql (scripts/sandbox
-- and the tests concatenate the two). UTF-8 text, stored as cp1250.
SET NAMES utf8mb4;
SET SESSION sql_mode = '';

DROP DATABASE IF EXISTS vorazu1;
CREATE DATABASE vorazu1 CHARACTER SET cp1250 COLLATE cp1250_czech_cs;
DROP DATABASE IF EXISTS dovodi;
CREATE DATABASE dovodi CHARACTER SET cp1250 COLLATE cp1250_czech_cs;

-- Weighing slips.
CREATE TABLE vorazu1.vaznil (
  id INT NOT NULL AUTO_INCREMENT,
  PC8 INT NOT NULL DEFAULT 0,
  cislodokla VARCHAR(20) NOT NULL,
  rada VARCHAR(10) NOT NULL,
  datum DATE,
  cas TIME,
  vazeno DATETIME,
  spz VARCHAR(15),
  ridic VARCHAR(60),
  kodpar VARCHAR(10),
  nazevpar VARCHAR(100),
  komodita VARCHAR(40),
  brutto INT,
  tara INT,
  netto INT,
  vlhkost DECIMAL(10,2),
  necistoty DECIMAL(10,2),
  cena_t DECIMAL(10,2),
  castka DECIMAL(10,0),
  hmotnost_t DOUBLE,
  pocet_vazeni SMALLINT,
  stav TINYINT,
  potvrzeno ENUM('Y','N') NOT NULL DEFAULT 'N',
  poznamka TEXT,
  id_sklad BIGINT,
  sklizen YEAR,
  zmeneno DATETIME,
  PRIMARY KEY (id),
  KEY slip (cislodokla, rada)
) ENGINE=InnoDB DEFAULT CHARSET=cp1250 COLLATE=cp1250_czech_cs;

-- Laboratory slips.
CREATE TABLE vorazu1.laborl (
  id INT NOT NULL AUTO_INCREMENT,
  PC8 INT NOT NULL DEFAULT 0,
  cislodokla VARCHAR(20) NOT NULL,
  rada VARCHAR(10) NOT NULL,
  datum DATE,
  cas TIME,
  odebrano DATETIME,
  kodpar VARCHAR(10),
  komodita VARCHAR(40),
  vzorek VARCHAR(20),
  vlhkost DECIMAL(10,2),
  primesi DECIMAL(10,2),
  necistoty DECIMAL(10,2),
  bilkoviny DOUBLE,
  objem_hmotnost INT,
  padove_cislo SMALLINT,
  trida TINYINT,
  srazka_kc DECIMAL(10,0),
  schvaleno ENUM('N','Y') NOT NULL DEFAULT 'N',
  laborant VARCHAR(60),
  poznamka TEXT,
  cislo_vzorku BIGINT,
  sklizen YEAR,
  zapsano DATETIME,
  PRIMARY KEY (id),
  KEY slip (cislodokla, rada)
) ENGINE=InnoDB DEFAULT CHARSET=cp1250 COLLATE=cp1250_czech_cs;

-- The partner address book.
CREATE TABLE dovodi.adresar (
  NAZEVPODNI VARCHAR(100),
  SIDLO VARCHAR(60),
  ULICECISLO VARCHAR(60),
  PSC VARCHAR(6),
  POSTA VARCHAR(60),
  kodpar VARCHAR(10) NOT NULL,
  ICO VARCHAR(12),
  KOD_PLATCE VARCHAR(4),
  ADR1 VARCHAR(60),
  ADR2 VARCHAR(60),
  ADR3 VARCHAR(60),
  ADR4 VARCHAR(60),
  ADR5 VARCHAR(60),
  ADR6 VARCHAR(60),
  emailobj VARCHAR(80),
  email_fakt VARCHAR(80),
  LIC_VNITRO CHAR(1) NOT NULL DEFAULT 'N',
  DATUMZAL DATETIME,
  KEY kodpar (kodpar)
) ENGINE=InnoDB DEFAULT CHARSET=cp1250 COLLATE=cp1250_czech_cs;

