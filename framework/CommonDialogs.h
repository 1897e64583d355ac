#pragma once

// Message boxes and the save-file dialog, run modally over the main window.

#include <string>

#include "framework/AfxTypes.h"

// Caption: the application title. MB_OK or MB_YESNO, MB_ICONEXCLAMATION.
// Returns IDOK, IDYES or IDNO (anything but Yes on a Yes/No box is IDNO).
int AfxMessageBox(const char* text, UINT nType = MB_OK);
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK);

class CFileDialog {
public:
    // filter: "Description|pattern|...|", as the program writes it.
    CFileDialog(BOOL bOpenFileDialog, const char* defExt = nullptr, const char* fileName = nullptr,
                DWORD flags = 0, const char* filter = nullptr);

    int DoModal();  // IDOK or IDCANCEL
    // The chosen file as the file system spells it (ready for fopen).
    std::string GetPathName() const { return m_strPathName; }

private:
    BOOL m_bOpenFileDialog;
    std::string m_strDefExt;
    std::string m_strFileName;
    DWORD m_dwFlags;
    std::string m_strFilter;
    std::string m_strPathName;
};
