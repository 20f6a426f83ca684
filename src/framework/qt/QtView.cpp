#include "framework/qt/QtView.h"

QtView::QtView(int&, char**) {}
QtView::QtView() {}
QtView::~QtView() = default;
void QtView::InstallDialogHooks() {}
class QtView::Impl {};
bool SaveDialogPng(CWnd&, const std::string&) { return false; }
