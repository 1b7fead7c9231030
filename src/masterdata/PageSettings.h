#pragma once

#include "ui_PageSettings.h"

#include <QWidget>

namespace qv::masterdata {

// The settings tab: products at the dispensing points, product and operator names.
class PageSettings : public QWidget {
    Q_OBJECT
public:
    explicit PageSettings(QWidget *parent = nullptr) : QWidget(parent) { ui.setupUi(this); }

    Ui::PageSettings ui;
};

} // namespace qv::masterdata
