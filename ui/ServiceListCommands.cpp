// The main window's commands: gathering, Clear, sort, Save. An operation that
// would change or read the whole table during a run first asks to stop it.

#include "ui/ServiceListDialog.h"

#include <string>

#include "framework/CommonDialogs.h"
#include "gather/GatheringRun.h"
#include "sap/ServiceReport.h"
#include "sap/ServiceTable.h"
#include "ui/AtomicFileWriter.h"
#include "ui/res/resource.h"

namespace {

using ServiceTable = sap::ServiceTable<CListCtrl>;

}  // namespace

// FALSE when the user chose to keep gathering; on Yes the run ends once this
// handler returns to it.
BOOL CServiceListDialog::AskToStopGathering(UINT nIDPrompt) {
    if (!m_bGathering) return TRUE;
    if (AfxMessageBox(nIDPrompt, MB_YESNO | MB_ICONEXCLAMATION) != IDYES) return FALSE;
    m_bGathering = 0;
    return TRUE;
}

void CServiceListDialog::OnStartGathering() {
    if (m_bGathering) return;
    gather::RunGathering(m_bGathering, [this](const std::uint8_t* buffer) {
        return ServiceTable(m_listServices, m_nServiceCount).Scan(buffer);
    });
    // Nothing of this object may be touched here: on the quit path the window
    // has already been destroyed.
}

void CServiceListDialog::OnStopGathering() {
    m_bGathering = 0;
}

void CServiceListDialog::OnClearList() {
    if (!AskToStopGathering(IDS_ASK_STOP_TO_CLEAR)) return;
    ServiceTable(m_listServices, m_nServiceCount).Clear();
}

void CServiceListDialog::OnSaveList() {
    if (!AskToStopGathering(IDS_ASK_STOP_TO_SAVE)) return;
    SaveReport();
}

void CServiceListDialog::OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    if (!AskToStopGathering(IDS_ASK_STOP_TO_SORT)) return;
    const auto* info = reinterpret_cast<const NM_LISTVIEW*>(pNMHDR);
    ServiceTable(m_listServices, m_nServiceCount).Sort(info->iSubItem);
}

void CServiceListDialog::ReleaseServiceRecords() {
    ServiceTable(m_listServices, m_nServiceCount).ReleaseRecords();
}

LRESULT CServiceListDialog::OnDestroyWindow(WPARAM, LPARAM) {
    ReleaseServiceRecords();  // a no-op after OnClose, which released them already
    return 0;
}

void CServiceListDialog::SaveReport() {
    ServiceTable table(m_listServices, m_nServiceCount);
    if (table.RowCount() <= 0) {
        AfxMessageBox("No SAP data to save!", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    CFileDialog dialog(FALSE, "log", "Untitled", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       "SAP Data (*.log)|*.log|");
    if (dialog.DoModal() != IDOK) return;

    const std::string path = dialog.GetPathName();
    const std::string report = sap::FormatReport(table.RecordsInDisplayOrder(), m_nServiceCount);
    std::string reason;
    if (!WriteFileAtomically(path, report, reason)) {
        const std::string text = "The SAP data could not be saved to\n" + path + "\n\n" + reason + ".";
        AfxMessageBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION);
    }
}
