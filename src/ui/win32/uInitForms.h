// Creation of the secondary windows, hidden, after the main window.
#pragma once

// frmInfo, frmProtocol, frmMessage, in this order, owned by frmMain.
void InitForms();
// Destroys them again (program end, tests).
void DoneForms();
