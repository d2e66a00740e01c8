#include "platform/ui/WizardPages.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

QWidget* NewWizardPage(QVBoxLayout*& layout, const char* title, QLabel** heading)
{
    auto* page = new QWidget;
    layout = new QVBoxLayout(page);
    auto* label = new QLabel(title, page);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->setWordWrap(true);
    layout->addWidget(label);
    if (heading)
        *heading = label;
    return page;
}

QButtonGroup* RadioGroup(QVBoxLayout& layout, const char* caption, std::initializer_list<const char*> items,
                         int checked)
{
    auto* box = new QGroupBox(caption);
    auto* group = new QButtonGroup(box);
    auto* boxLayout = new QVBoxLayout(box);
    int id = 0;
    for (const char* item : items) {
        auto* button = new QRadioButton(item, box);
        group->addButton(button, id++);
        boxLayout->addWidget(button);
    }
    if (QAbstractButton* button = group->button(checked))
        button->setChecked(true);
    layout.addWidget(box);
    return group;
}
