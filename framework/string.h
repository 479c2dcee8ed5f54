// Text of the framework layer: ANSI characters, as the platform's ...A calls take them.
// UTF-16 text from the platform's wide interfaces (the shell's wallpaper path) is converted
// through the ANSI code page.
#pragma once

#include <string>

class CString {
public:
    CString() {}
    CString(const char* psz) { *this = psz; }
    CString(const wchar_t* psz) { *this = psz; }
    // Null is the empty text.
    CString& operator=(const char* psz);
    // Characters the code page lacks become its default character.
    CString& operator=(const wchar_t* psz);

    int GetLength() const { return static_cast<int>(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }
    // The last nCount characters; the whole text when it is shorter.
    CString Right(int nCount) const;
    operator const char*() const { return m_text.c_str(); }

    friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
    friend bool operator==(const CString& a, const char* b) { return a == CString(b); }
    friend bool operator==(const char* a, const CString& b) { return CString(a) == b; }
    friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
    friend bool operator!=(const CString& a, const char* b) { return !(a == b); }
    friend bool operator!=(const char* a, const CString& b) { return !(a == b); }

private:
    std::string m_text;
};
