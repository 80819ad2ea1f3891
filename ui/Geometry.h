#pragma once
// Points, sizes and rectangles of the dialog logic, in whole pixels.  The
// portable user-interface code uses these instead of the window system's
// types, so that it compiles and is tested everywhere.

namespace ui {

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point& a, const Point& b) { return a.x == b.x && a.y == b.y; }
  friend bool operator!=(const Point& a, const Point& b) { return !(a == b); }
};

struct Size {
  int width = 0;
  int height = 0;
  friend bool operator==(const Size& a, const Size& b) { return a.width == b.width && a.height == b.height; }
};

// Left and top inside, right and bottom outside.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  Rect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
  Rect Intersect(const Rect& o) const {
    Rect r{left > o.left ? left : o.left, top > o.top ? top : o.top, right < o.right ? right : o.right,
           bottom < o.bottom ? bottom : o.bottom};
    if (r.IsEmpty()) return {};
    return r;
  }
  bool Contains(const Point& p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  friend bool operator==(const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  }
  friend bool operator!=(const Rect& a, const Rect& b) { return !(a == b); }
};

}  // namespace ui
