#pragma once
// A controller with fake platform seams, its preferences read from a private settings file, a data
// file of its own, its stores and its main window: what the service tests drive.
#include "TestSupport.h"
#include "core/CMain.h"
#include "core/Preferences.h"
#include "data/DataFile.h"
#include "platform/fake/FakeServices.h"
#include "ui/main/CQuillboxDlg.h"

#include <QApplication>
#include <QClipboard>
#include <memory>

struct ServiceFixture {
    Workspace workspace;
    CMain main;
    platform::FakeServices fakes = platform::CreateFakeServices();
    CQuillboxDlg* dlg = nullptr;

    ServiceFixture()
    {
        std::unique_ptr<QSettings> settings(OpenSettings());
        ReadPreferences(main, *settings);
        data::CreateDatabase(main.m_strDatabase);
        main.SetPlatform(std::make_unique<platform::Services>(std::move(fakes.services)));
        main.CreateStores();
        dlg = new CQuillboxDlg;
        main.m_pTrayDlg = dlg;
        dlg->Create();
        dlg->CreateSystrayIcon();
    }
    ~ServiceFixture()
    {
        main.m_pTrayDlg = nullptr;
        delete dlg;
        QApplication::clipboard()->clear();
    }
    QSettings Saved() const { return QSettings(workspace.SettingsFile(), QSettings::IniFormat); }
};
