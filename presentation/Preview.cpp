#include "Preview.h"

TFormPreview* FormPreview = nullptr;

TFormPreview::TFormPreview(QWidget* parent) : QWidget(parent, Qt::Window) {}
