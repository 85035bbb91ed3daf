// Reading the trace log back in tests: the messages of its lines, without the time stamps.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TraceLog.h"
#include "TraceText.h"
#include "Testkit.h"

namespace qlxtest {

// Messages of the log in order; the empty lines of the step frames are left out.
inline std::vector<std::string> TraceLines()
{
    const std::string strLog = qlx::testkit::ReadWholeFile(TraceLogPath());
    std::vector<std::string> lines;
    size_t nStart = 0;
    while (nStart < strLog.size()) {
        size_t nEnd = strLog.find("\r\n", nStart);
        if (nEnd == std::string::npos) {
            nEnd = strLog.size();
        }
        std::string strLine = strLog.substr(nStart, nEnd - nStart);
        nStart = nEnd + 2;
        if (strLine.size() >= kTraceStampLength && strLine[2] == ':' && strLine[5] == ':') {
            strLine.erase(0, kTraceStampLength);
        }
        if (!strLine.empty()) {
            lines.push_back(strLine);
        }
    }
    return lines;
}

inline std::string JoinLines(const std::vector<std::string>& lines)
{
    std::string strAll;
    for (const std::string& strLine : lines) {
        strAll += "  [" + strLine + "]\n";
    }
    return strAll;
}

// The expected lines appear in the log in this order (other lines may come between them).
inline testing::AssertionResult HasLinesInOrder(const std::vector<std::string>& expected)
{
    const std::vector<std::string> lines = TraceLines();
    size_t nNext = 0;
    for (const std::string& strLine : lines) {
        if (nNext < expected.size() && strLine == expected[nNext]) {
            ++nNext;
        }
    }
    if (nNext == expected.size()) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "missing in order: [" << expected[nNext] << "]\nlog:\n" << JoinLines(lines);
}

// The log holds exactly these lines.
inline testing::AssertionResult HasExactLines(const std::vector<std::string>& expected)
{
    const std::vector<std::string> lines = TraceLines();
    if (lines == expected) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "expected:\n" << JoinLines(expected) << "log:\n" << JoinLines(lines);
}

inline size_t CountLinesStartingWith(const std::string& strPrefix)
{
    size_t nCount = 0;
    for (const std::string& strLine : TraceLines()) {
        if (strLine.compare(0, strPrefix.size(), strPrefix) == 0) {
            ++nCount;
        }
    }
    return nCount;
}

}  // namespace qlxtest
