#include "view/widgetdialogs.h"

#include "model/interfacetexts.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QWindow>

namespace {

// The window is translucent and its style sheet makes every widget below it
// transparent; a dialog parented to it would show black on black. So the
// dialogs are windows of their own: modal to the application, transient for
// the window (kept above it, also by native dialogs) and placed over it.
void placeOver(QDialog &dialog, QWidget *parent)
{
    dialog.setWindowModality(Qt::ApplicationModal);
    QWidget *window = parent ? parent->window() : nullptr;
    if (!window)
        return;
    dialog.winId(); // creates the dialog's QWindow
    if (dialog.windowHandle() && window->windowHandle())
        dialog.windowHandle()->setTransientParent(window->windowHandle());
    dialog.adjustSize();
    QRect frame = dialog.frameGeometry();
    frame.moveCenter(window->frameGeometry().center());
    dialog.move(frame.topLeft());
}

QString runFileDialog(QWidget *parent, const QString &caption, const QString &dir,
                      const QString &filter, QFileDialog::AcceptMode mode,
                      QFileDialog::FileMode fileMode, QFileDialog::Options options = {})
{
    // The layers below write their captions in English; the window shows
    // them in its language.
    QFileDialog dialog(nullptr, InterfaceTexts::localised(caption), dir,
                       InterfaceTexts::localised(filter));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(fileMode);
    dialog.setOptions(options);
    placeOver(dialog, parent);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

} // namespace

QString WidgetDialogs::getOpenFileName(const QString &caption, const QString &dir,
                                       const QString &filter)
{
    return runFileDialog(m_parent, caption, dir, filter, QFileDialog::AcceptOpen,
                         QFileDialog::ExistingFile);
}

QString WidgetDialogs::getSaveFileName(const QString &caption, const QString &dir,
                                       const QString &filter)
{
    return runFileDialog(m_parent, caption, dir, filter, QFileDialog::AcceptSave,
                         QFileDialog::AnyFile);
}

QString WidgetDialogs::getExistingDirectory(const QString &caption, const QString &dir)
{
    return runFileDialog(m_parent, caption, dir, QString(), QFileDialog::AcceptOpen,
                         QFileDialog::Directory,
                         QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
}

void WidgetDialogs::warning(const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Warning, InterfaceTexts::localised(title),
                    InterfaceTexts::localised(text), QMessageBox::Ok);
    placeOver(box, m_parent);
    box.exec();
}
