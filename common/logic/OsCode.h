// OS code: the int 2000..2010 that names the running Windows version, from the version record.
#pragma once

constexpr int kOsWin95 = 2000;
constexpr int kOsWin98 = 2001;
constexpr int kOsWinMe = 2002;
constexpr int kOsWinNT4 = 2003;      // NT 4.0 and older
constexpr int kOsWin2000 = 2004;
constexpr int kOsWinXP = 2005;
constexpr int kOsWin2003 = 2006;     // Server 2003 and XP x64
constexpr int kOsVista = 2007;
constexpr int kOsWin2008 = 2008;
constexpr int kOsWin2008R2 = 2009;
constexpr int kOsWin7 = 2010;        // Windows 7 and everything newer or unrecognised

constexpr unsigned long kPlatformWin9x = 1;      // VER_PLATFORM_WIN32_WINDOWS
constexpr unsigned long kPlatformNT = 2;         // VER_PLATFORM_WIN32_NT
constexpr unsigned char kProductWorkstation = 1; // VER_NT_WORKSTATION

// Maps the platform id, major and minor version and product type of the extended version record
// to the OS code. Starts from kOsWin7 and replaces it only for a listed combination, so a cleared
// record (platform 0) and every newer Windows give kOsWin7.
int OsCodeFromVersion(unsigned long dwPlatformId, unsigned long dwMajor, unsigned long dwMinor,
                      unsigned char wProductType);
