#pragma once
// What the password dialog's tests share: a scratch program folder, the scripted forms
// services, the dialog loaded as the commands load it and shown non-modally so a test
// can drive it, and a count of the menu refreshes it asks for.

#include "password/x11/frmAdmin.h"
#include "platform/x11/forms.h"
#include "store/mdlGlobal.h"
#include "support/fake_forms_services.h"
#include "support/scratch_folder.h"

#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <cstddef>
#include <memory>

// A test's data: one row per table entry, named by its `name`, holding a pointer to it
// (fetched as `row`; the pointer type needs Q_DECLARE_METATYPE).
template <typename Row, std::size_t N> void addRows(const Row (&rows)[N]) {
    QTest::addColumn<const Row*>("row");
    for (const Row& row : rows)
        QTest::newRow(row.name) << &row;
}

struct AdminFixture {
    AdminFixture() {
        refreshes() = 0;
        frmAdmin::menuRefresh = [] { ++refreshes(); };
        forms->onBox = [this](const RecordedBox&) { focusAtBox.append(focusName()); };
    }
    ~AdminFixture() {
        frmAdmin::menuRefresh = realMenuRefresh;
        platform::formSlot<frmAdmin>().unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    static int& refreshes() {
        static int count = 0;
        return count;
    }

    // The dialog loaded, shown and active (so that focus can be looked at), in New mode
    // (`edit` false) or Modify mode.
    frmAdmin& show(bool edit = false) {
        mdlGlobal::bEditMode = edit;
        mdlGlobal::bNewMode = !edit;
        frmAdmin& form = platform::formSlot<frmAdmin>().get();
        form.show();
        form.activateWindow();
        if (!QTest::qWaitForWindowActive(&form))
            qWarning("the password dialog did not become active");
        return form;
    }

    // Types into the dialog as the user would leave it before pressing OK (UTF-8 texts).
    static void fill(frmAdmin& form, const char* password, const char* confirm, int option,
                     const char* other, const char* answer) {
        form.optRemindQuestion[option]->setChecked(true);
        form.txtNew->setText(QString::fromUtf8(password));
        form.txtConfirm->setText(QString::fromUtf8(confirm));
        form.txtOther->setText(QString::fromUtf8(other));
        form.txtAnswer->setText(QString::fromUtf8(answer));
    }

    bool dialogLoaded() const { return platform::formSlot<frmAdmin>().isLoaded(); }

    // The one message box shown, as "title | style | text", or how many there were.
    QString onlyBox() const {
        if (forms->boxes.size() != 1)
            return QStringLiteral("%1 boxes").arg(forms->boxes.size());
        return box(forms->boxes[0].title, forms->boxes[0].style, forms->boxes[0].text);
    }
    static QString box(const QString& title, int style, const QString& text) {
        return QStringLiteral("%1 | %2 | %3").arg(title, QString::number(style), text);
    }

    static QString focusName() {
        QWidget* focus = QApplication::focusWidget();
        return focus ? focus->objectName() : QString();
    }

    void (*const realMenuRefresh)() = frmAdmin::menuRefresh;
    std::unique_ptr<ScratchFolder> folder = std::make_unique<ScratchFolder>();
    std::unique_ptr<FakeFormsServices> forms = std::make_unique<FakeFormsServices>();
    QStringList focusAtBox;
};
