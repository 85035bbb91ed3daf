// Ordered list of texts with the few operations the programs use.
#pragma once

#include <list>
#include <string>

namespace fw {

class StringList {
public:
    using const_iterator = std::list<std::string>::const_iterator;

    void AddHead(const std::string& str) { m_items.push_front(str); }
    void AddTail(const std::string& str) { m_items.push_back(str); }
    void RemoveAll() { m_items.clear(); }
    int GetCount() const { return static_cast<int>(m_items.size()); }
    bool IsEmpty() const { return m_items.empty(); }
    const_iterator begin() const { return m_items.begin(); }
    const_iterator end() const { return m_items.end(); }

private:
    std::list<std::string> m_items;
};

}  // namespace fw
