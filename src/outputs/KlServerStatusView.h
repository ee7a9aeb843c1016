#pragma once

#include <QString>
#include <QWidget>

#include <mutex>

// Shows the status text over an editor that cannot be used yet: yellow,
// centred near the top on a dark rounded backing. Null shows nothing.
// The text may be set from any thread; the view is the main thread's.
class KlServerStatusView : public QWidget {
    Q_OBJECT
public:
    explicit KlServerStatusView(QWidget* parent = nullptr);

    QString serverStatus() const;
    void setServerStatus(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    mutable std::mutex lock_;  // serverStatus_
    QString serverStatus_;
};
