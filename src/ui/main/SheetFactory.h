#pragma once
// Builds the sheet of a service, opened at startPage, with parent as its owner window.
#include "ui/main/CQuillboxDlg.h"

#include <QDialog>
#include <memory>

std::unique_ptr<QDialog> MakeSheet(SheetKind kind, int startPage, QWidget* parent);
