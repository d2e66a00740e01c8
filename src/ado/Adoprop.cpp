#include "ado/Adoprop.h"

#include "ado/DataLinkDialog.h"
#include "platform/core/Exceptions.h"
#include "platform/core/UiServices.h"

std::optional<std::string> PromptForDataSource(QWidget* parent, std::string_view initial)
{
    try {
        TDataLinkDialog dialog(DataLinkSettings::FromConnectionString(initial), parent);
        if (Ui().ShowModal(dialog) != mrOk)
            return std::nullopt;
        const DataLinkSettings settings = dialog.Settings();
        if (!settings.MissingChoice().empty())
            return std::nullopt;
        return settings.ConnectionString();
    } catch (const Exception&) {
        // The driver manager could not list its sources: as the dialog failing to show.
        return std::nullopt;
    }
}

std::string PromptDataSource(QWidget* parent, std::string_view initial)
{
    return PromptForDataSource(parent, initial).value_or(std::string(initial));
}
