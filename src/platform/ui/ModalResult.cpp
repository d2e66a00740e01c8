#include "platform/ui/ModalResult.h"

#include "platform/core/UiServices.h"

#include <QDialog>
#include <QVariant>
#include <QWidget>

namespace {

const char* const ModalResultProperty = "kestrameModalResult";

int StoredResult(const QWidget& window) { return window.property(ModalResultProperty).toInt(); }

} // namespace

void SetModalResult(QWidget& window, int result)
{
    window.setProperty(ModalResultProperty, result);
    if (!window.close())
        window.setProperty(ModalResultProperty, mrNone);
}

int ModalResultOf(const QWidget& window)
{
    if (const int stored = StoredResult(window); stored != mrNone)
        return stored;
    const auto* dialog = qobject_cast<const QDialog*>(&window);
    return dialog && dialog->result() == QDialog::Accepted ? mrOk : mrCancel;
}

void ClearModalResult(QWidget& window)
{
    window.setProperty(ModalResultProperty, mrNone);
    if (auto* dialog = qobject_cast<QDialog*>(&window))
        dialog->setResult(QDialog::Rejected);
}
