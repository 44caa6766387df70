#include "migration/MappingTables.h"

#include <cstdint>

namespace orrin::migration {

using namespace mapping;

namespace {

// Whole-number constants are 16-bit, texts are texts.
const Variant kOne(static_cast<std::int16_t>(1));
const Variant kFlag("A");

} // namespace

// One line per target field, in the order the fields are set; the layout is kept by hand.
// clang-format off

const MappingTable& loginMapping()
{
    static const MappingTable table{
        copied("Ag_Code", "AgencyCd"),
        copied("Name", "Name"),
        constant("Desig", Variant("None")),
        copied("Address1", "Address1"),
        copied("Address2", "Address2"),
        joinedWithBlank("Address3", "Address3", "Address4"),
        joinedWithBlank("Phone", "TelNo1", "TelNo2"),
    };
    return table;
}

const MappingTable& timesMapping()
{
    static const MappingTable table{
        copied("LoginName", "Name"),
        constant("Show_Tip", kOne),
        constant("Show_Aarti", kOne),
        constant("AGENT", kOne),
    };
    return table;
}

const MappingTable& agMastMapping()
{
    static const MappingTable table{
        copied("Agency_Cd", "AgencyCd"),
        copied("Name", "Name"),
        constant("DO_Cd", Variant::null()),
        copied("Address1", "Address1"),
        copied("Address2", "Address2"),
        joinedWithBlank("Address3", "Address3", "Address4"),
        copied("Brn", "BranchNo"),
        copied("Ag_Since", "AgentSince"),
        constant("Club", Variant("None")),
        copied("Ren_Dt", "RenDate"),
        copied("Licence_No", "LicenceNo"),
        constant("aflag", kFlag),
    };
    return table;
}

const MappingTable& noLocationMapping()
{
    static const MappingTable table{
        constant("Loc_Cd", kOne),
        constant("Loc_Desc", Variant("No Location")),
    };
    return table;
}

const MappingTable& locMastMapping()
{
    static const MappingTable table{
        positionPlusOne("Loc_Cd"),
        copied("Loc_Desc", "LocDesc"),
    };
    return table;
}

const MappingTable& brnMastMapping()
{
    static const MappingTable table{
        copied("BranchNo", "BranchNo"),
        copied("BrHead", "BrMgr"),
        copied("Division", "Division"),
        copied("Address1", "Address1"),
        copied("Address2", "Address2"),
        copied("Address3", "Address3"),
        emptyToNull("Address4", "Address4"),
        constant("bflag", kFlag),
    };
    return table;
}

const MappingTable& companyMapping()
{
    static const MappingTable table{
        copied("pacode", "pacode"),
        copied("CompanyName", "CompanyName"),
    };
    return table;
}

const MappingTable& familyMapping()
{
    static const MappingTable table{
        copied("FamilyCode", "FamilyCode"),
        emptyToNullCut("Address1", "RAdd1", 25),
        emptyToNullCut("Address2", "RAdd2", 25),
        emptyToNullCut("Address3", "RAdd3", 25),
        emptyToNullCut("Address4", "RAdd4", 25),
        emptyToNullCut("PinCode", "RPin", 25),
        emptyToNullCut("SAddress1", "CAdd1", 25),
        emptyToNullCut("SAddress2", "CAdd2", 25),
        emptyToNullCut("SAddress3", "CAdd3", 25),
        emptyToNullCut("SAddress4", "CAdd4", 25),
        emptyToNullCut("SPinCode", "CPin", 25),
        emptyToNull("TelNos_R", "RTel"),
        emptyToNull("TelNos_O", "CTel"),
        emptyToNull("MOBILENO", "PagerMobile"),
        copied("Loc_Cd", "LOCCD"),
        copied("headname", "headname"),
        copied("dob", "dob"),
        copied("sex", "sex"),
        constant("fflag", kFlag),
    };
    return table;
}

const MappingTable& clientMapping()
{
    static const Variant yes("Y");
    static const MappingTable table{
        copied("FamilyCode", "FamilyCode"),
        copied("PersCode", "PersCode"),
        copied("Name", "Name"),
        copied("DOB_R", "DOBR"),
        copied("dob_a", "DOBA"),
        sexOrC("sex", "sex"),
        constant("ageproof", Variant("Others")),
        constant("bgret", yes),
        constant("sgret", yes),
        constant("Prem_Int", yes),
        constant("Prem_Rem", yes),
        constant("Annv_Gret", yes),
        personLookup("MAR_DT", "MarDt", "Client2"),
        personLookup("PART_NAME", "Spouse", "Client2"),
        personLookup("MOBILENO", "MobiNumb", "Client4"),
        constant("cflag", kFlag),
    };
    return table;
}

const MappingTable& policiesMapping()
{
    static const MappingTable table{
        copied("policy_no", "PolicyNo"),
        copied("Issue_Dt", "ComDate"),
        copied("ComplDt", "ComDate"),
        copied("Plan", "Plan"),
        copied("Term", "Term"),
        copied("PPT", "PremTerm"),
        copied("Sum", "Sum"),
        paymentMode("Payment", "Payment"),
        copied("BranchNo", "BranchNo"),
        copied("med", "MEDICAL"),
        copied("AgCode", "AgencyCd"),
        copied("nextprem", "FUPDate"),
        copied("PWB", "PremWaiver"),
        copied("TR", "TermRider"),
        emptyToNull("Nominee", "Nominee"),
        copied("Relation", "Relation"),
        copied("APPOINTEE", "APPOINTEE"),
        copied("TRUSTEE", "TRUSTEE"),
        copied("Age", "Age"),
        copied("EPDB", "DAB"),
        copied("LOAN", "LOAN"),
        copied("LOAN_DT", "LOANDATE"),
        status("stat_cd", "Status"),
        copied("FamilyCode", "FamilyCode"),
        copied("PersCode", "PersCode"),
        constant("Loc_Desc", Variant("LOCATION")),
        copied("Premium", "Premium"),
        constant("pflag", kFlag),
    };
    return table;
}

// clang-format on

} // namespace orrin::migration
