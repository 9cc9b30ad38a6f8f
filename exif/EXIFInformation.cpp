#include "EXIFInformation.h"

TFormEXIFInformation* FormEXIFInformation = nullptr;

TFormEXIFInformation::TFormEXIFInformation(QWidget* parent) : QDialog(parent) {}
