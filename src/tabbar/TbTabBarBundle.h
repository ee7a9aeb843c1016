#pragma once

#include <QImage>
#include <QString>

// The tab bar family's image resources, looked up by name. The artwork is
// our own, drawn with QPainter once per name on first use and kept for the
// life of the process. An unknown name gives a null image. Main thread only.
class TbTabBarBundle {
public:
    static QImage imageNamed(const QString& name);
};
