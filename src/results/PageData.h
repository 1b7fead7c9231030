#pragma once

#include "ui_PageData.h"

#include <QWidget>

namespace qv::results {

// The data tab: result display, deletion and printing pages above the result grid.
class PageData : public QWidget {
    Q_OBJECT
public:
    explicit PageData(QWidget *parent = nullptr) : QWidget(parent) { ui.setupUi(this); }

    Ui::PageData ui;
};

} // namespace qv::results
