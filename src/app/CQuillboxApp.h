#pragma once
// The application object: it names the program and runs the controller with the program's windows.
#include <QApplication>

class CMain;

class CQuillboxApp : public QApplication {
    Q_OBJECT
public:
    CQuillboxApp(int& argc, char** argv);
    ~CQuillboxApp() override;

    // The whole life of the program: names the application (the caption of every message box and
    // the place of the settings), creates the controller, runs it and deletes it. Returns 0.
    int InitInstance();

    // Names the application and its settings location; also used by tests.
    static void SetIdentity();

private:
    CMain* m_pController = nullptr;
};


// SIGINT and SIGTERM set the controller's quit flag, so the program shuts down in order.
void InstallQuitSignals();
