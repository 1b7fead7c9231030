#pragma once

#include "ui_PageOrders.h"

#include <QWidget>

namespace qv::orders {

// The orders tab: order entry, search and status pages above the open-orders grid.
class PageOrders : public QWidget {
    Q_OBJECT
public:
    explicit PageOrders(QWidget *parent = nullptr) : QWidget(parent) { ui.setupUi(this); }

    Ui::PageOrders ui;
};

} // namespace qv::orders
