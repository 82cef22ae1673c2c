#include "app/program_pictures.h"

#include <QFile>

// The resources live in a static library: registered by hand, at global scope as the macro
// requires.
static void RegisterProgramPictures()
{
    Q_INIT_RESOURCE(app_resources);
}

namespace mondeliar::app {

namespace {

QByteArray ResourceBytes(const QString& path)
{
    static const bool registered = (RegisterProgramPictures(), true);
    (void)registered;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

}  // namespace

QByteArray BannerJpeg()
{
    return ResourceBytes(":/about/banner.jpg");
}

QPixmap IconPicture()
{
    QPixmap picture;
    picture.loadFromData(ResourceBytes(":/about/icon.png"), "PNG");
    return picture;
}

QIcon ProgramIcon()
{
    return QIcon(IconPicture());
}

}  // namespace mondeliar::app
