// Fault injection for the work buffers of the logic: the array forms of operator new/delete are
// replaced in this test program, so a test can make chosen nothrow array allocations fail.
#pragma once

// While alive, lets nSkip nothrow array allocations succeed and then fails the next nFail ones.
class CFailNothrowArrayNew {
public:
    explicit CFailNothrowArrayNew(int nSkip = 0, int nFail = 1);
    ~CFailNothrowArrayNew();
    CFailNothrowArrayNew(const CFailNothrowArrayNew&) = delete;
    CFailNothrowArrayNew& operator=(const CFailNothrowArrayNew&) = delete;

    // Nothrow array allocations seen since construction.
    int Seen() const;
};
