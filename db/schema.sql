/* Quillet database: one user's tasks, yearly events and notes page.
   Run by scripts/newdb right after CREATE DATABASE (dialect 3, WIN1251). */

CREATE SEQUENCE SEQ_TASK_ID;
CREATE SEQUENCE SEQ_BIRTH_ID;
CREATE SEQUENCE SEQ_NOTE_ID;

/* Every row belongs to user 1, so the tables of tasks and events have no
   index on USER_ID: reading them by it is a plain scan either way, and an
   index of that one value would only slow every insert. */

/* Tasks of the plan. Flags hold 'T' or 'F'; DATETIME is 0 (30.12.1899)
   for a task without a reminder. */
CREATE TABLE TASK (
  ID        INTEGER NOT NULL,
  USER_ID   INTEGER NOT NULL,
  NEEDALERT CHAR(1),
  DATETIME  TIMESTAMP,
  CAPTION   VARCHAR(100),
  CATEGORY  VARCHAR(50),
  DETAILS   VARCHAR(2000),
  EXECUTED  CHAR(1),
  NOTIFIED  CHAR(1),
  CONSTRAINT PK_TASK PRIMARY KEY (ID)
);

/* Yearly events of the calendar; the day and month of "DATE" place the
   event in every year, its year is kept (a year of birth). */
CREATE TABLE BIRTH (
  ID       INTEGER NOT NULL,
  USER_ID  INTEGER NOT NULL,
  CAPTION  VARCHAR(100),
  "DATE"   TIMESTAMP,
  VID      INTEGER,
  CATEGORY INTEGER,
  COMMENT  VARCHAR(200),
  NOTIFIED CHAR(1),
  CONSTRAINT PK_BIRTH PRIMARY KEY (ID)
);

/* The notes page: one row per user, the whole document in TEXT.
   The program inserts a row with TEXT alone; the database fills in
   ID and USER_ID so that the row is found again at the next start. */
CREATE TABLE NOTE (
  ID      INTEGER NOT NULL,
  USER_ID INTEGER DEFAULT 1,
  TEXT    BLOB SUB_TYPE 0,
  CONSTRAINT PK_NOTE PRIMARY KEY (ID)
);
CREATE INDEX IX_NOTE_USER ON NOTE (USER_ID);

SET TERM ^ ;

CREATE TRIGGER NOTE_BI FOR NOTE ACTIVE BEFORE INSERT POSITION 0 AS
BEGIN
  IF (NEW.ID IS NULL) THEN NEW.ID = NEXT VALUE FOR SEQ_NOTE_ID;
  IF (NEW.USER_ID IS NULL) THEN NEW.USER_ID = 1;
END^

/* Numbers for new rows: every call returns a number that no call returned
   before and that no row of the table has, even rows written by other
   tools or restored from a backup while the sequence stayed behind. */
CREATE PROCEDURE GET_TASK_ID RETURNS (ID INTEGER) AS
BEGIN
  ID = NEXT VALUE FOR SEQ_TASK_ID;
  WHILE (EXISTS (SELECT 1 FROM TASK WHERE TASK.ID = :ID)) DO
    ID = NEXT VALUE FOR SEQ_TASK_ID;
  SUSPEND;
END^

CREATE PROCEDURE GET_BIRTH_ID RETURNS (ID INTEGER) AS
BEGIN
  ID = NEXT VALUE FOR SEQ_BIRTH_ID;
  WHILE (EXISTS (SELECT 1 FROM BIRTH WHERE BIRTH.ID = :ID)) DO
    ID = NEXT VALUE FOR SEQ_BIRTH_ID;
  SUSPEND;
END^

/* N such numbers in one call, one row each (imports). */
CREATE PROCEDURE GET_TASK_IDS (N INTEGER) RETURNS (ID INTEGER) AS
BEGIN
  WHILE (N > 0) DO
  BEGIN
    ID = NEXT VALUE FOR SEQ_TASK_ID;
    IF (NOT EXISTS (SELECT 1 FROM TASK WHERE TASK.ID = :ID)) THEN
    BEGIN
      N = N - 1;
      SUSPEND;
    END
  END
END^

CREATE PROCEDURE GET_BIRTH_IDS (N INTEGER) RETURNS (ID INTEGER) AS
BEGIN
  WHILE (N > 0) DO
  BEGIN
    ID = NEXT VALUE FOR SEQ_BIRTH_ID;
    IF (NOT EXISTS (SELECT 1 FROM BIRTH WHERE BIRTH.ID = :ID)) THEN
    BEGIN
      N = N - 1;
      SUSPEND;
    END
  END
END^

/* The same N numbers as runs of consecutive ones: FIRST_ID and the
   ID_COUNT - 1 numbers after it. The sequence moves once per run, and a
   stretch that no row has is one row. */
CREATE PROCEDURE GET_TASK_ID_RANGES (N INTEGER)
  RETURNS (FIRST_ID INTEGER, ID_COUNT INTEGER) AS
  DECLARE LAST_ID BIGINT;
  DECLARE ID BIGINT;
BEGIN
  WHILE (N > 0) DO
  BEGIN
    LAST_ID = GEN_ID(SEQ_TASK_ID, N);
    ID = LAST_ID - N + 1;
    IF (NOT EXISTS (SELECT 1 FROM TASK WHERE TASK.ID BETWEEN :ID AND :LAST_ID)) THEN
    BEGIN
      FIRST_ID = ID;
      ID_COUNT = N;
      N = 0;
      SUSPEND;
    END
    ELSE
      WHILE (ID <= LAST_ID) DO
      BEGIN
        IF (NOT EXISTS (SELECT 1 FROM TASK WHERE TASK.ID = :ID)) THEN
        BEGIN
          FIRST_ID = ID;
          ID_COUNT = 1;
          N = N - 1;
          SUSPEND;
        END
        ID = ID + 1;
      END
  END
END^

CREATE PROCEDURE GET_BIRTH_ID_RANGES (N INTEGER)
  RETURNS (FIRST_ID INTEGER, ID_COUNT INTEGER) AS
  DECLARE LAST_ID BIGINT;
  DECLARE ID BIGINT;
BEGIN
  WHILE (N > 0) DO
  BEGIN
    LAST_ID = GEN_ID(SEQ_BIRTH_ID, N);
    ID = LAST_ID - N + 1;
    IF (NOT EXISTS (SELECT 1 FROM BIRTH WHERE BIRTH.ID BETWEEN :ID AND :LAST_ID)) THEN
    BEGIN
      FIRST_ID = ID;
      ID_COUNT = N;
      N = 0;
      SUSPEND;
    END
    ELSE
      WHILE (ID <= LAST_ID) DO
      BEGIN
        IF (NOT EXISTS (SELECT 1 FROM BIRTH WHERE BIRTH.ID = :ID)) THEN
        BEGIN
          FIRST_ID = ID;
          ID_COUNT = 1;
          N = N - 1;
          SUSPEND;
        END
        ID = ID + 1;
      END
  END
END^

SET TERM ; ^

COMMIT;
