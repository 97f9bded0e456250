#include "Notifier.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace {

QIcon dialIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 2));
    p.setBrush(QColor(250, 250, 245));
    p.drawEllipse(QRectF(2, 2, 28, 28));
    p.setPen(QPen(QColor(190, 30, 30), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(16, 18), QPointF(24, 9));
    return QIcon(pixmap);
}

} // namespace

TrayNotifier::TrayNotifier() {
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        tray_ = new QSystemTrayIcon(dialIcon());
        tray_->show();
    }
}

TrayNotifier::~TrayNotifier() {
    delete tray_;
}

void TrayNotifier::notify(const QString& title, const QString& text) {
    if (tray_)
        tray_->showMessage(title, text, QSystemTrayIcon::Warning);
}
