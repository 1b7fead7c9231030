#include "app/PageQuorvane.h"

#include "app/AdminPasswords.h"
#include "app/Clock.h"
#include "app/MainServices.h"
#include "app/ServiceCode.h"
#include "db/TDatenmodul.h"
#include "db/TUsername.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

namespace qv::app {

namespace {

// The company picture: a drop of oil in the accent colour.
QPixmap companyPicture(const QSize &size)
{
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor green(188, 207, 19);
    const qreal h = size.height() * 0.8;
    const qreal w = h * 0.62;
    const QPointF top(size.width() / 2.0, size.height() * 0.08);
    QPainterPath drop;
    drop.moveTo(top);
    drop.cubicTo(top + QPointF(w * 0.15, h * 0.25), top + QPointF(w * 0.5, h * 0.45), top + QPointF(w * 0.5, h * 0.68));
    drop.arcTo(QRectF(top.x() - w / 2, top.y() + h * 0.36, w, h * 0.64), 0, -180);
    drop.cubicTo(top + QPointF(-w * 0.5, h * 0.45), top + QPointF(-w * 0.15, h * 0.25), top);
    p.setPen(Qt::NoPen);
    p.setBrush(green);
    p.drawPath(drop);
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(int(h * 0.22));
    p.setFont(f);
    p.drawText(QRectF(top.x() - w / 2, top.y() + h * 0.45, w, h * 0.4), Qt::AlignCenter, QStringLiteral("Q6"));
    return pm;
}

} // namespace

PageQuorvane::PageQuorvane(MainServices &main, QWidget *parent) : QWidget(parent), m_main(main)
{
    ui.setupUi(this);
    ui.ImageCompany->setPixmap(companyPicture(ui.ImageCompany->size()));
    ui.ImageCompany->installEventFilter(this);
    connect(ui.ButtonAdminLogin, &QPushButton::clicked, this, &PageQuorvane::ButtonAdminLoginClick);
    connect(ui.EditAdminPasswort, &QLineEdit::textChanged, this, &PageQuorvane::EditAdminPasswortChange);
    connect(ui.EditAdminPasswort, &QLineEdit::returnPressed, this, &PageQuorvane::ButtonAdminLoginClick);
    connect(ui.ButtonResetPasswort, &QPushButton::clicked, this, &PageQuorvane::ButtonResetPasswortClick);
}

void PageQuorvane::ButtonAdminLoginClick()
{
    if (m_main.IsLoggedIn()) {
        m_main.SetAdminState(false);
        return;
    }
    // The typed text stays in the field after a login.
    m_main.SetAdminState(AdminPasswords::matches(ui.EditAdminPasswort->text(), m_main.Username().Passwort));
}

void PageQuorvane::EditAdminPasswortChange(const QString &text)
{
    ui.ButtonResetPasswort->setVisible(text == ServiceCodeForDate(Clock::today()));
}

void PageQuorvane::ButtonResetPasswortClick()
{
    qv::db::TUsername &u = m_main.Username();
    AdminPasswords::reset(m_main.Datenmodul(), u.WorkstationKey, u.Passwort);
    ui.EditAdminPasswort->clear();
    m_main.SetAdminState(true);
}

bool PageQuorvane::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui.ImageCompany && event->type() == QEvent::MouseButtonDblClick) {
        m_main.ToggleDebugMonitor();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace qv::app
