// The text class's conversions from ANSI and UTF-16 text, and the cut from its end that
// reads a file name's extension.
#include "framework/string.h"

#include <windows.h>

CString& CString::operator=(const char* psz)
{
    m_text = psz != nullptr ? psz : "";
    return *this;
}

CString& CString::operator=(const wchar_t* psz)
{
    m_text.clear();
    if (psz == nullptr) return *this;
    const int size = WideCharToMultiByte(CP_ACP, 0, psz, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return *this;
    m_text.resize(size);
    WideCharToMultiByte(CP_ACP, 0, psz, -1, &m_text[0], size, nullptr, nullptr);
    m_text.resize(size - 1);  // without the terminating zero
    return *this;
}

CString CString::Right(int nCount) const
{
    CString result;
    if (nCount <= 0) return result;
    const size_t count = static_cast<size_t>(nCount);
    result.m_text = count < m_text.size() ? m_text.substr(m_text.size() - count) : m_text;
    return result;
}
