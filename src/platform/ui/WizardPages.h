#pragma once

#include <initializer_list>

class QButtonGroup;
class QLabel;
class QVBoxLayout;
class QWidget;

// A wizard's page: a bold heading over the page's controls, laid out top to bottom in `layout`. The
// heading is given back for a page whose title changes.
QWidget* NewWizardPage(QVBoxLayout*& layout, const char* title, QLabel** heading = nullptr);
// A radio group as the class library has it: a framed list of choices, one of them checked (none for
// -1); the ids are the choices' indices.
QButtonGroup* RadioGroup(QVBoxLayout& layout, const char* caption, std::initializer_list<const char*> items,
                         int checked);
