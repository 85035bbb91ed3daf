// Driver version: the four numbers (major, minor, build, extra) of the installed and the wanted
// driver, and how they compare.
#pragma once

struct DriverVersion {
    unsigned long dwMajor = 0;
    unsigned long dwMinor = 0;
    unsigned long dwBuild = 0;
    unsigned long dwExtra = 0;
};

// Results of the installed-driver check.
constexpr int kVersionReplace = 0;  // older installed copy (or one that must go for another reason)
constexpr int kVersionNewer = 1;    // the installed copy is newer than the wanted one
constexpr int kVersionNone = 2;     // nothing of the product is installed
constexpr int kVersionSame = 3;     // exactly the wanted version is installed

// Plain decimal conversion of a profile entry: leading digits only; text that is not a number
// (or null) gives 0; a value too large for 32 bits keeps its low 32 bits, as an unsigned number.
unsigned long VersionFieldFromText(const char* pszText);

// Field by field, major first, as unsigned numbers: the first field that differs decides
// (wanted greater: kVersionReplace, wanted smaller: kVersionNewer); all equal: kVersionSame.
int CompareVersionFields(const DriverVersion& wanted, const DriverVersion& installed);
