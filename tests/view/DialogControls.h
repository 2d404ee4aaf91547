#pragma once

#include <CCopyDlg.h>
#include <CFillDlg.h>
#include <CGotoDlg.h>

#include <QLineEdit>
#include <QPushButton>

#include <vector>

// The edit windows' fields in the order they are filled in, and their
// confirm and cancel buttons, so tests can treat the three alike.
inline std::vector<QLineEdit*> Fields(CCopyDlg& d) { return {d.startEdit(), d.endEdit(), d.destinationEdit()}; }
inline std::vector<QLineEdit*> Fields(CFillDlg& d) { return {d.startEdit(), d.endEdit(), d.valueEdit()}; }
inline std::vector<QLineEdit*> Fields(CGotoDlg& d) { return {d.addressEdit()}; }

inline QPushButton* ConfirmButton(CCopyDlg& d) { return d.copyButton(); }
inline QPushButton* ConfirmButton(CFillDlg& d) { return d.fillButton(); }
inline QPushButton* ConfirmButton(CGotoDlg& d) { return d.goButton(); }

inline QPushButton* CancelButton(CCopyDlg& d) { return d.exitButton(); }
inline QPushButton* CancelButton(CFillDlg& d) { return d.cancelButton(); }
inline QPushButton* CancelButton(CGotoDlg& d) { return d.cancelButton(); }
