#include "console/MainWindowGeometry.h"

#include <QWidget>
#include <algorithm>

#include "platform/Twips.h"

void PlaceControl(QWidget& control, const ControlPlace& place) {
  control.setGeometry(TwipsRect(place.left, place.top, place.width, place.height));
}

void FollowWindowSize(QWidget& control, const ControlPlace& place, QSize outerTwips) {
  auto px = [](int twips) { return std::max(0, Px(twips)); };
  const int w = outerTwips.width();
  const int h = outerTwips.height();
  if (place.widthFromRight != 0 || place.heightFromBottom != 0) {
    control.resize(place.widthFromRight != 0 ? px(w - place.widthFromRight) : control.width(),
                   place.heightFromBottom != 0 ? px(h - place.heightFromBottom) : control.height());
  }
  if (place.leftFromRight != 0 || place.topFromBottom != 0) {
    control.move(place.leftFromRight != 0 ? px(w - place.leftFromRight) : control.x(),
                 place.topFromBottom != 0 ? px(h - place.topFromBottom) : control.y());
  }
}
