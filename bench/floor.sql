-- The floor of the benchmark: the work of an import done by the engine alone. The same source rows
-- go into the same target tables with their fields mapped, in one transaction, and SB receives as
-- many rows as the program wrote (copied from the program's result, attached as "done").
-- Run by bench/run with the target open and keyed, the source attached as "src".
BEGIN;
DELETE FROM Login;
DELETE FROM AgMast;
INSERT INTO Login (Ag_Code, Name, Desig, Address1, Address2, Address3, Phone)
  SELECT AgencyCd, Name, 'None', Address1, Address2,
         ifnull(Address3, '') || ' ' || ifnull(Address4, ''), ifnull(TelNo1, '') || ' ' || ifnull(TelNo2, '')
  FROM src.Agmast ORDER BY rowid LIMIT 1;
INSERT INTO Times (LoginName, Show_Tip, Show_Aarti, AGENT)
  SELECT Name, 1, 1, 1 FROM src.Agmast ORDER BY rowid LIMIT 1;
INSERT INTO AgMast (Agency_Cd, Name, DO_Cd, Address1, Address2, Address3, Brn, Ag_Since, Club, Ren_Dt,
                    Licence_No, aflag)
  SELECT AgencyCd, Name, NULL, Address1, Address2, ifnull(Address3, '') || ' ' || ifnull(Address4, ''),
         BranchNo, AgentSince, 'None', RenDate, LicenceNo, 'A'
  FROM src.Agmast ORDER BY rowid;
DELETE FROM LocMast;
INSERT INTO LocMast (Loc_Cd, Loc_Desc) VALUES (1, 'No Location');
INSERT INTO LocMast (Loc_Cd, Loc_Desc) SELECT rowid + 1, LocDesc FROM src.LocMast ORDER BY rowid;
DELETE FROM BrnMast;
INSERT INTO BrnMast (BranchNo, BrHead, Division, Address1, Address2, Address3, Address4, bflag)
  SELECT BranchNo, BrMgr, Division, Address1, Address2, Address3, nullif(Address4, ''), 'A'
  FROM src.BrnMast ORDER BY rowid;
DELETE FROM company;
INSERT INTO company (pacode, CompanyName) SELECT pacode, CompanyName FROM src.company ORDER BY rowid;
DELETE FROM Family;
INSERT INTO Family (FamilyCode, Address1, Address2, Address3, Address4, PinCode, SAddress1, SAddress2,
                    SAddress3, SAddress4, SPinCode, TelNos_R, TelNos_O, MOBILENO, Loc_Cd, headname, dob, sex,
                    fflag)
  SELECT FamilyCode, substr(nullif(RAdd1, ''), 1, 25), substr(nullif(RAdd2, ''), 1, 25),
         substr(nullif(RAdd3, ''), 1, 25), substr(nullif(RAdd4, ''), 1, 25), substr(nullif(RPin, ''), 1, 25),
         substr(nullif(CAdd1, ''), 1, 25), substr(nullif(CAdd2, ''), 1, 25), substr(nullif(CAdd3, ''), 1, 25),
         substr(nullif(CAdd4, ''), 1, 25), substr(nullif(CPin, ''), 1, 25), nullif(RTel, ''), nullif(CTel, ''),
         nullif(PagerMobile, ''), LOCCD, headname, dob, sex, 'A'
  FROM src.Family ORDER BY rowid;
DELETE FROM Client;
INSERT INTO Client (FamilyCode, PersCode, Name, DOB_R, dob_a, sex, ageproof, bgret, sgret, Prem_Int, Prem_Rem,
                    Annv_Gret, MAR_DT, PART_NAME, MOBILENO, cflag)
  SELECT c.FamilyCode, c.PersCode, c.Name, c.DOBR, c.DOBA, CASE WHEN c.sex = '' THEN 'C' ELSE c.sex END,
         'Others', 'Y', 'Y', 'Y', 'Y', 'Y',
         (SELECT MarDt FROM src.Client2 m WHERE m.familycode = c.FamilyCode AND m.perscode = c.PersCode
          ORDER BY m.rowid LIMIT 1),
         (SELECT Spouse FROM src.Client2 m WHERE m.familycode = c.FamilyCode AND m.perscode = c.PersCode
          ORDER BY m.rowid LIMIT 1),
         (SELECT MobiNumb FROM src.Client4 m WHERE m.familycode = c.FamilyCode AND m.perscode = c.PersCode
          ORDER BY m.rowid LIMIT 1),
         'A'
  FROM src.Client1 c ORDER BY c.FamilyCode, c.PersCode;
DELETE FROM SB;
DELETE FROM Policies;
INSERT INTO Policies (policy_no, Issue_Dt, ComplDt, Plan, Term, PPT, Sum, Payment, BranchNo, med, AgCode,
                      nextprem, PWB, TR, Nominee, Relation, APPOINTEE, TRUSTEE, Age, EPDB, LOAN, LOAN_DT,
                      stat_cd, FamilyCode, PersCode, Loc_Desc, Premium, pflag, matdt, PremEndDt)
  SELECT PolicyNo, ComDate, ComDate, Plan, Term, PremTerm, Sum,
         CASE Payment COLLATE BINARY WHEN 'O' THEN 'S' WHEN 'S' THEN 'P' ELSE Payment END,
         BranchNo, MEDICAL, AgencyCd, FUPDate, PremWaiver, TermRider, nullif(Nominee, ''), Relation, APPOINTEE,
         TRUSTEE, Age, DAB, LOAN, LOANDATE,
         CASE Status COLLATE BINARY WHEN 'I' THEN 'N' WHEN 'R' THEN 'T' WHEN 'D' THEN 'R' WHEN 'F' THEN 'R'
                                    ELSE 'N' END,
         FamilyCode, PersCode, 'LOCATION', Premium, 'A',
         date(ComDate, '+' || CAST(Term AS INTEGER) || ' years'),
         date(ComDate, '+' || CAST(PremTerm AS INTEGER) || ' years')
  FROM src.Policies ORDER BY rowid;
INSERT INTO SB (policy_no, sb_duedate, sb_amount, i_no)
  SELECT policy_no, sb_duedate, sb_amount, i_no FROM done.SB ORDER BY rowid;
COMMIT;
