// Instance names for table-driven tests: each case carries its own name in pszName.
#pragma once

#include <gtest/gtest.h>

#include <string>

struct CaseNameGenerator {
    template <typename T>
    std::string operator()(const ::testing::TestParamInfo<T>& info) const
    {
        return info.param.pszName;
    }
};

inline const CaseNameGenerator CaseName{};
