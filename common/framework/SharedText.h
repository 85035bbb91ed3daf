// A text written by the worker thread and read by the dialog thread when it repaints.
#pragma once

#include <mutex>
#include <string>

namespace fw {

class SharedText {
public:
    void Set(const std::string& strText)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_strText = strText;
    }
    std::string Get() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_strText;
    }
    SharedText& operator=(const std::string& strText)
    {
        Set(strText);
        return *this;
    }

private:
    mutable std::mutex m_mutex;
    std::string m_strText;
};

}  // namespace fw
