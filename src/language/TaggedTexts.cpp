#include "language/TaggedTexts.h"

#include "db/GridModel.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>
#include <QTableView>
#include <QVariant>

namespace qv::language {

int TaggedTexts::tagOf(const QWidget *w)
{
    return w->property("tag").toInt();
}

const QList<QPair<QString, int>> &TaggedTexts::openOrdersColumns()
{
    static const QList<QPair<QString, int>> cols = {
        {QStringLiteral("ORDERNUMBER"), 7000}, {QStringLiteral("ORDERPOSITION"), 7010},
        {QStringLiteral("QUALITY"), 7020},     {QStringLiteral("QUALITYNAME"), 7030},
        {QStringLiteral("TOKEN"), 7080},       {QStringLiteral("LABEL"), 7090},
        {QStringLiteral("SOLL"), 7100},        {QStringLiteral("IST"), 7110},
        {QStringLiteral("ACTUAL"), 7115},      {QStringLiteral("ADDITIONAL"), 7130},
    };
    return cols;
}

const QList<QPair<QString, int>> &TaggedTexts::resultDataColumns()
{
    static const QList<QPair<QString, int>> cols = {
        {QStringLiteral("ORDERNUMBER"), 7000}, {QStringLiteral("ORDERPOSITION"), 7010},
        {QStringLiteral("QUALITY"), 7020},     {QStringLiteral("QUALITYNAME"), 7030},
        {QStringLiteral("VRK"), 2510},         {QStringLiteral("POINT"), 2520},
        {QStringLiteral("USERNUMBER"), 3060},  {QStringLiteral("USERNAME"), 2530},
        {QStringLiteral("SOLL"), 7100},        {QStringLiteral("IST"), 7110},
        {QStringLiteral("TOKEN"), 7080},       {QStringLiteral("LABEL"), 7090},
        {QStringLiteral("DISPENSINGDATETIME"), 7120},
    };
    return cols;
}

namespace {

void applyGrid(QTableView *grid, const QList<QPair<QString, int>> &columns, const TaggedTexts::Lookup &text)
{
    auto *model = qobject_cast<db::GridModel *>(grid->model());
    if (!model)
        return;
    for (const auto &[field, tag] : columns)
        model->setFieldTitle(field, text(tag));
}

} // namespace

void TaggedTexts::apply(QWidget *root, const Lookup &text)
{
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (QWidget *w : widgets) {
        const int tag = tagOf(w);
        if (tag == 0)
            continue;
        if (auto *grid = qobject_cast<QTableView *>(w)) {
            if (grid->objectName() == QLatin1String("DBGridOpenOrders"))
                applyGrid(grid, openOrdersColumns(), text);
            else if (grid->objectName() == QLatin1String("DBGridData"))
                applyGrid(grid, resultDataColumns(), text);
            continue;
        }
        if (auto *label = qobject_cast<QLabel *>(w)) {
            label->setText(text(tag));
        } else if (auto *button = qobject_cast<QAbstractButton *>(w)) {
            button->setText(text(tag));
        } else if (auto *box = qobject_cast<QGroupBox *>(w)) {
            box->setTitle(text(tag));
        } else if (w->parentWidget() && qobject_cast<QTabWidget *>(w->parentWidget()->parentWidget())) {
            // A tab page: its caption is the tab's text.
            auto *tabs = qobject_cast<QTabWidget *>(w->parentWidget()->parentWidget());
            const int i = tabs->indexOf(w);
            if (i >= 0)
                tabs->setTabText(i, text(tag));
        }
    }
}

} // namespace qv::language
