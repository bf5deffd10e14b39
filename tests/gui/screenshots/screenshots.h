#pragma once
// Pictures of windows for the manual and for reviewers, saved under
// build/screenshots (scripts/make-screenshots copies them into the manual).
#include <gtest/gtest.h>

#include <QDir>
#include <QPixmap>
#include <QWidget>

namespace corvane::guitest {

inline QString SaveScreenshot(QWidget& w, const char* name) {
  const QString dir = QStringLiteral(CORVANE_SCREENSHOT_DIR);
  QDir().mkpath(dir);
  const QString path = dir + QLatin1Char('/') + QLatin1String(name);
  const QPixmap picture = w.grab();
  EXPECT_FALSE(picture.isNull());
  EXPECT_TRUE(picture.save(path)) << path.toStdString();
  return path;
}

}  // namespace corvane::guitest
