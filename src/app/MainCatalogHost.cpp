#include "app/MainCatalogHost.h"

#include "app/SDIMain.h"

int MainCatalogHost::DisplayScale() const { return mainForm_.displayScale; }

unsigned char MainCatalogHost::UnitsMode() const { return mainForm_.unitsMode; }

TStringGrid* MainCatalogHost::SelectorGrid() { return &mainForm_.Selector().GridP(); }

bool MainCatalogHost::SelectorVisible() const { return mainForm_.Selector().Visible(); }

void MainCatalogHost::HideSelector() { mainForm_.Selector().Hide(); }

void MainCatalogHost::ShowSelector() { mainForm_.Selector().Show(); }

std::unique_ptr<CatalogPictureEditor> MainCatalogHost::NewPictureEditor() { return mainForm_.NewPictureEditor(); }
