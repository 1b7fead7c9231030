#pragma once

#include "ui_PageOverview.h"

#include <QWidget>

namespace qv::tanks {

// The overview tab: tank levels and consumption figures.
class PageOverview : public QWidget {
    Q_OBJECT
public:
    explicit PageOverview(QWidget *parent = nullptr) : QWidget(parent) { ui.setupUi(this); }

    Ui::PageOverview ui;
};

} // namespace qv::tanks
