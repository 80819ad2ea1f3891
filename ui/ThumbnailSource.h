#pragma once
// CThumbnailSource: what a thumbnail grid shows and asks of its model.
//
// The grid (a window) draws items it reads here and forwards the user's
// requests back: which item to make next, reordering and removal, opening a
// file.  The template browser's list of picture files is the one model of
// this system (ui/ThumbnailList.h); the interface keeps the grid free of it.

#include <string>
#include <vector>

#include "image/ImageBuffer.h"
#include "platform/FileIcon.h"
#include "platform/MessageQueue.h"
#include "ui/Geometry.h"

namespace ui {

// Posted by the thumbnail worker to the attached view: wParam the item's
// index, lParam 0 when its thumbnail is ready, kThumbnailFailed when its
// file cannot be decoded (the view asks the source to drop such items).
constexpr unsigned UM_THUMBNAILREADY = 1024 + 666;
constexpr long kThumbnailFailed = -1;

class CThumbnailSource {
 public:
  virtual ~CThumbnailSource() = default;

  virtual int Count() const = 0;
  // "" when i is out of range.
  virtual std::string Name(int i) const = 0;
  // The finished thumbnail, or null while it is not made (or i is out of
  // range).  Read on the interface thread without a lock: a thumbnail is
  // published complete and never changed afterwards.
  virtual const CImageBuffer* Thumbnail(int i) const = 0;
  virtual std::string TooltipText(int i) const = 0;
  // The largest thumbnail.
  virtual Size ThumbnailSize() const { return {85, 85}; }
  // The picture's own size (0, 0 when unknown or out of range).
  virtual Size PictureSize(int i) const = 0;
  // The desktop's icon of the item's file; the caller destroys it.
  virtual platform::IconHandle ShellIcon(int i) const = 0;
  // "" when i is out of range.
  virtual std::string Path(int i) const = 0;
  virtual void ItemAdded(int /*i*/) {}
  // A second picture an item may carry; none in this system.
  virtual const CImageBuffer* SecondPicture(int /*i*/) const { return nullptr; }
  // Asks for item i's thumbnail before the others.
  virtual void RequestIndex(int i) = 0;
  virtual void StopWorker() = 0;
  // The window that receives UM_THUMBNAILREADY (null: none).
  virtual void AttachView(platform::WindowHandle view) = 0;
  virtual bool CanReorder() const { return true; }
  virtual bool HasTooltips() const { return true; }
  // Moves the listed items before `target` (-1: removes them); `indexes`
  // is rewritten to their new places.
  virtual void MoveItems(std::vector<int>& indexes, int target) = 0;
  virtual void OpenItem(int i, platform::WindowHandle owner) = 0;
  // Removes the items whose files could not be decoded (after a
  // kThumbnailFailed notice); answers how many went.
  virtual int RemoveFailedItems() = 0;
};

}  // namespace ui
