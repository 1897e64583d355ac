// The main window's commands. SHELLS, to be filled in with the gathering loop
// and the service table: each handler is in the message map already, so its
// menu item and toolbar button are enabled.

#include "ui/ServiceListDialog.h"

void CServiceListDialog::OnStartGathering() {
    // SHELL: run a gathering run when none is active.
}

void CServiceListDialog::OnStopGathering() {
    // SHELL: clear m_bGathering.
}

void CServiceListDialog::OnClearList() {
    // SHELL: ask to stop (string 103), release the records, delete all rows, count 0.
}

void CServiceListDialog::OnSaveList() {
    // SHELL: ask to stop (string 105), then save the report.
}

void CServiceListDialog::OnColumnClick(NMHDR*, LRESULT* pResult) {
    // SHELL: ask to stop (string 104), then sort by the clicked column.
    *pResult = 0;
}

void CServiceListDialog::ReleaseServiceRecords() {
    // SHELL: delete the ServiceItem behind every row.
}
