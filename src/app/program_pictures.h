#pragma once
// The pictures stored with the program: the about box's banner (JPEG bytes, decoded with
// libjpeg) and the program's icon.

#include <QByteArray>
#include <QIcon>
#include <QPixmap>

namespace mondeliar::app {

QByteArray BannerJpeg();
QPixmap IconPicture();
QIcon ProgramIcon();

}  // namespace mondeliar::app
