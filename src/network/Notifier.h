#pragma once

#include <QString>

class QSystemTrayIcon;

// A desktop notification, behind an interface so a test can see each one.
class Notifier {
  public:
    virtual ~Notifier() = default;
    virtual void notify(const QString& title, const QString& text) = 0;
};

// The system tray's message balloon (a notification on today's desktops);
// the icon is drawn here, a small level meter dial.
class TrayNotifier final : public Notifier {
  public:
    TrayNotifier();
    ~TrayNotifier() override;
    void notify(const QString& title, const QString& text) override;

  private:
    QSystemTrayIcon* tray_ = nullptr;
};
