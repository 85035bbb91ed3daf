// A text written by the worker thread and read by the dialog thread when it repaints.
#pragma once

#include <string>

#include "framework/Lock.h"

namespace fw {

class SharedText {
public:
    void Set(const std::string& strText)
    {
        ScopedLock lock(m_lock);
        m_strText = strText;
    }
    std::string Get() const
    {
        ScopedLock lock(m_lock);
        return m_strText;
    }
    SharedText& operator=(const std::string& strText)
    {
        Set(strText);
        return *this;
    }

private:
    mutable CriticalSection m_lock;
    std::string m_strText;
};

}  // namespace fw
