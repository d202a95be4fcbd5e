#pragma once
// The Available sources page: every registered source file. Open starts the text editor on the
// selected file or lets the desktop open it, Explore shows its folder, Delete and Remove all take
// rows out of the library. A double click opens the file and closes the sheet.
#include "ui/framework/CPropertyPage.h"

class CIconButton;
class CReportList;

class CViewSourcesPage : public CPropertyPage {
    Q_OBJECT
public:
    explicit CViewSourcesPage(QWidget* parent = nullptr);

    // The list's columns; ID and Path are hidden and are what the buttons act on.
    enum Column { ColLanguage, ColCategory, ColFilename, ColDescription, ColId, ColPath };

    void Fill();
    void OnOpen();
    void OnExplore();
    void OnDelete();
    void OnRemoveAll();
    void OnDblclkList(int row);

    CReportList* m_list = nullptr;
    CIconButton* m_btnOpen = nullptr;
    CIconButton* m_btnExplore = nullptr;
    CIconButton* m_btnDelete = nullptr;
    CIconButton* m_btnRemoveAll = nullptr;

protected:
    bool OnSetActive() override;
    void OnCancel() override;
};
