#pragma once
// Forms as the forms run time keeps them: one object per form, created and loaded on
// first use, unloaded on request so that the next use creates a fresh one, and the
// collection of loaded forms in load order.
//
//   formSlot<frmHelp>().get()       the form, loading it when it is not loaded
//   formSlot<frmHelp>().isLoaded()
//   formSlot<frmHelp>().unload()    the form's destructor is its unload handling

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QWidget>

namespace platform {

// The loaded forms, in load order.
class LoadedForms {
public:
    static const QList<QWidget*>& all();
    static void add(QWidget* form);
    static void remove(QWidget* form);
};

// Walks the loaded forms from the first to the last; true when one is `form`.
bool isFormLoaded(const QWidget* form);
// Unloads a loaded form: it leaves the collection at once and is destroyed once control
// returns to the event loop (its destructor is its unload handling). Safe from the
// form's own handlers.
void unloadForm(QWidget* form);
// The loaded form whose objectName is `name` (every form names itself after its form
// name, "frmMain", "Form1", ...), or nullptr.
QWidget* loadedFormNamed(const QString& name);

// Shows a dialog modally: returns once it is closed. It blocks the program's other
// windows only through its own owner, so the tray icon keeps answering (Quit must be
// able to end a program with its help or about box open). A dialog that is already
// showing is not shown a second time: the call returns at once.
void showModal(QDialog& dialog);
// True while a dialog opened with showModal is showing.
bool modalFormOpen();

template <class Form> class FormSlot {
public:
    Form& get() { return isLoaded() ? *form_ : load(new Form); }
    // Loads a form made beforehand and not loaded yet (while none is loaded here).
    Form& load(Form* form) {
        form_ = form;
        LoadedForms::add(form_);
        QObject::connect(form_, &QObject::destroyed, [this](QObject* gone) {
            LoadedForms::remove(static_cast<QWidget*>(gone));
            if (form_ == gone)
                form_ = nullptr;
        });
        return *form_;
    }
    bool isLoaded() const { return !form_.isNull() && isFormLoaded(form_.data()); }
    Form* loaded() const { return isLoaded() ? form_.data() : nullptr; }
    void unload() {
        Form* form = form_.data();
        form_.clear();
        if (form)
            unloadForm(form);
    }

private:
    QPointer<Form> form_;
};

template <class Form> FormSlot<Form>& formSlot() {
    static FormSlot<Form> slot;
    return slot;
}

} // namespace platform
