#include "framework/CommonDialogs.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

#include "framework/Ansi.h"
#include "framework/MessageQueue.h"
#include "framework/Resources.h"
#include "framework/WinApp.h"

namespace {

QWidget* OwnerWidget() {
    CWnd* main = AfxGetMainWnd();
    return main != nullptr ? main->GetWidget() : nullptr;
}

QString AppTitle() {
    CWinApp* app = AfxGetApp();
    return afx::AnsiToQString(app != nullptr ? app->m_strAppName : std::string());
}

}  // namespace

int AfxMessageBox(const char* text, UINT nType) {
    QMessageBox box(OwnerWidget());
    box.setWindowTitle(AppTitle());
    box.setTextFormat(Qt::PlainText);
    box.setText(afx::AnsiToQString(text != nullptr ? text : ""));
    box.setIcon((nType & 0xF0) == MB_ICONEXCLAMATION ? QMessageBox::Warning : QMessageBox::NoIcon);
    const bool yesNo = (nType & 0x0F) == MB_YESNO;
    if (yesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    box.setWindowModality(Qt::ApplicationModal);
    afx::KickHeldMessages();
    const int result = box.exec();
    if (yesNo) {
        return result == QMessageBox::Yes ? IDYES : IDNO;
    }
    return IDOK;
}

int AfxMessageBox(UINT nIDPrompt, UINT nType) {
    std::string text;
    AfxLoadString(nIDPrompt, text);
    return AfxMessageBox(text.c_str(), nType);
}

CFileDialog::CFileDialog(BOOL bOpenFileDialog, const char* defExt, const char* fileName,
                         DWORD flags, const char* filter)
    : m_bOpenFileDialog(bOpenFileDialog),
      m_strDefExt(defExt != nullptr ? defExt : ""),
      m_strFileName(fileName != nullptr ? fileName : ""),
      m_dwFlags(flags),
      m_strFilter(filter != nullptr ? filter : "") {}

int CFileDialog::DoModal() {
    QFileDialog dialog(OwnerWidget());
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    if (m_bOpenFileDialog) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite,
                         (m_dwFlags & OFN_OVERWRITEPROMPT) == 0);
    }
    // OFN_HIDEREADONLY: this dialog has no read-only check box to hide.
    // "Description|pattern|" pairs become Qt's "Description (pattern)".
    QStringList filters;
    const QStringList parts = afx::AnsiToQString(m_strFilter).split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) {
            continue;
        }
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        const QString tail = QStringLiteral("(") + patterns + QStringLiteral(")");
        filters << (parts[i].endsWith(tail) ? parts[i] : parts[i] + QLatin1Char(' ') + tail);
    }
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
    }
    if (!m_strDefExt.empty()) {
        dialog.setDefaultSuffix(afx::AnsiToQString(m_strDefExt));
    }
    if (!m_strFileName.empty()) {
        dialog.selectFile(afx::AnsiToQString(m_strFileName));
    }
    dialog.setWindowModality(Qt::ApplicationModal);
    afx::KickHeldMessages();
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return IDCANCEL;
    }
    m_strPathName = QFile::encodeName(dialog.selectedFiles().first()).toStdString();
    return IDOK;
}
