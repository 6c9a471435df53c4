#include "shots.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QPixmap>
#include <QWidget>
#include <cstdlib>

namespace gui_testing {

void WriteShot(QWidget* widget, const QString& name) {
    const char* env = std::getenv("TONVIA_SHOTS_DIR");
    const QString dir = env != nullptr && *env != '\0' ? QString::fromLocal8Bit(env)
                                                       : QStringLiteral(TONVIA_SHOTS_DIR);
    ASSERT_TRUE(QDir().mkpath(dir));
    const QPixmap shot = widget->grab();
    ASSERT_FALSE(shot.isNull());
    EXPECT_TRUE(shot.save(dir + QLatin1Char('/') + name + QStringLiteral(".png")));
}

}  // namespace gui_testing
