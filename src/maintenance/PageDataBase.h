#pragma once

#include "ui_PageDataBase.h"

#include <QWidget>

namespace qv::maintenance {

// The database tab: database figures, backup and restore, import.
class PageDataBase : public QWidget {
    Q_OBJECT
public:
    explicit PageDataBase(QWidget *parent = nullptr) : QWidget(parent) { ui.setupUi(this); }

    Ui::PageDataBase ui;
};

} // namespace qv::maintenance
