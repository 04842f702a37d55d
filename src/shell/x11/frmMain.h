#pragma once
// The hidden main window: the program's start-up object, the owner of the tray icon
// (through objTray) and of the controls other parts borrow: `picTray`, the target of
// the icon's mouse messages, and the version label `lblVersion`.
// Its destructor is its unload handling: it removes the icon.

#include "shell/x11/clsTray.h"

#include <QLabel>
#include <QWidget>
#include <cstdint>
#include <memory>

class frmMain : public QWidget {
    Q_OBJECT
public:
    frmMain();
    ~frmMain() override;

    // The start-up sequence, each step in continue-on-error mode: end at once beside a
    // running instance; replace the tray icon; key preview on; refresh the password
    // commands; hide.
    void Form_Load();
    // The icon's callback handler: on the right or left button's release over the icon
    // it refreshes the password commands and pops the tray menu up at the mouse position,
    // returning when the menu closes. Every other mouse message does nothing.
    void picTray_MouseMove(uint32_t lParam);
    // What comes before every showing of the tray menu, whoever shows it (this window
    // or a panel that draws it itself): the password commands refreshed, or, while the
    // desktop is locked, every command greyed.
    void prepareTrayMenu();

    // The one tray object, created on first use.
    clsTray& objTray();
    bool keyPreview() const { return keyPreview_; }

    QWidget* picTray;
    QLabel* lblVersion; // "Version 1.0.0", the running version the update check compares

    // What F1 runs: the help contents (tests put a recorder here).
    void (*helpCommand)();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setKeyPreview(bool on);
    // True when the key was one the main window acts on.
    bool Form_KeyDown(int key);
    void removeTrayIcon() noexcept;
    void watchTrayMenu();

    std::unique_ptr<clsTray> objTray_;
    bool keyPreview_ = false;
    bool poppingUp_ = false; // this window is opening the menu, already prepared
};
