#include "platform/x11/forms.h"

namespace platform {

namespace {
QList<QWidget*>& loaded() {
    static QList<QWidget*> forms;
    return forms;
}
} // namespace

const QList<QWidget*>& LoadedForms::all() {
    return loaded();
}

void LoadedForms::add(QWidget* form) {
    if (!loaded().contains(form))
        loaded().append(form);
}

void LoadedForms::remove(QWidget* form) {
    loaded().removeAll(form);
}

bool isFormLoaded(const QWidget* form) {
    const QList<QWidget*>& forms = LoadedForms::all();
    const qsizetype count = forms.size();
    for (qsizetype i = 0; i < count; ++i) {
        if (forms.at(i) == form)
            return true;
    }
    return false;
}

namespace {
int& openModalForms() {
    static int count = 0;
    return count;
}
} // namespace

void showModal(QDialog& dialog) {
    if (dialog.isVisible())
        return;
    if (!dialog.parentWidget())
        dialog.setWindowModality(Qt::WindowModal);
    ++openModalForms();
    dialog.exec();
    --openModalForms();
}

bool modalFormOpen() {
    return openModalForms() > 0;
}

void unloadForm(QWidget* form) {
    if (!form || !LoadedForms::all().contains(form))
        return;
    LoadedForms::remove(form);
    form->hide();
    form->deleteLater();
}

QWidget* loadedFormNamed(const QString& name) {
    for (QWidget* form : LoadedForms::all()) {
        if (form->objectName() == name)
            return form;
    }
    return nullptr;
}

} // namespace platform
