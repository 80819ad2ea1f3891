#include "platform/Metafile.h"

#include <windows.h>

#include <cstring>

namespace platform {

namespace {

// Each acquired GDI object is released by its guard; none can be copied.
class MemoryDc {
 public:
  MemoryDc() : m_dc(CreateCompatibleDC(nullptr)) {}
  ~MemoryDc() {
    if (m_dc != nullptr) DeleteDC(m_dc);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  HDC Get() const { return m_dc; }

 private:
  HDC m_dc;
};

class GdiObject {
 public:
  explicit GdiObject(HGDIOBJ object) : m_object(object) {}
  ~GdiObject() {
    if (m_object != nullptr) DeleteObject(m_object);
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  HGDIOBJ Get() const { return m_object; }

 private:
  HGDIOBJ m_object;
};

class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(SelectObject(dc, object)) {}
  ~SelectedObject() {
    if (m_old != nullptr && m_old != HGDI_ERROR) SelectObject(m_dc, m_old);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;
  bool Ok() const { return m_old != nullptr && m_old != HGDI_ERROR; }

 private:
  HDC m_dc;
  HGDIOBJ m_old;
};

class WindowsMetafile {
 public:
  explicit WindowsMetafile(HMETAFILE handle) : m_handle(handle) {}
  ~WindowsMetafile() {
    if (m_handle != nullptr) DeleteMetaFile(m_handle);
  }
  WindowsMetafile(const WindowsMetafile&) = delete;
  WindowsMetafile& operator=(const WindowsMetafile&) = delete;
  HMETAFILE Get() const { return m_handle; }

 private:
  HMETAFILE m_handle;
};

class EnhancedMetafile {
 public:
  explicit EnhancedMetafile(HENHMETAFILE handle) : m_handle(handle) {}
  ~EnhancedMetafile() {
    if (m_handle != nullptr) DeleteEnhMetaFile(m_handle);
  }
  EnhancedMetafile(const EnhancedMetafile&) = delete;
  EnhancedMetafile& operator=(const EnhancedMetafile&) = delete;
  HENHMETAFILE Get() const { return m_handle; }

 private:
  HENHMETAFILE m_handle;
};

// Restores the DC's state (mapping mode, window, viewport) at the end.
class SavedDc {
 public:
  explicit SavedDc(HDC dc) : m_dc(dc), m_saved(SaveDC(dc)) {}
  ~SavedDc() {
    if (m_saved != 0) RestoreDC(m_dc, m_saved);
  }
  SavedDc(const SavedDc&) = delete;
  SavedDc& operator=(const SavedDc&) = delete;

 private:
  HDC m_dc;
  int m_saved;
};

bool Failed(std::string* error, const char* text) {
  *error = text;
  return false;
}

MetafileResult NotRendered(std::string* error, const char* text) {
  *error = text;
  return keMetafileFailed;
}

bool Play(MetafileFormat format, const std::uint8_t* data, std::size_t size, const MetafileWindow& window,
          HDC dc, unsigned width, unsigned height, std::string* error) {
  if (size > 0x7FFFFFFF) return Failed(error, "metafile too large");
  const SavedDc saved(dc);
  if (format == keMetafileWmf) {
    const WindowsMetafile metafile(SetMetaFileBitsEx(static_cast<UINT>(size), data));
    if (metafile.Get() == nullptr) return Failed(error, "WMF: the system does not accept the file");
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowOrgEx(dc, window.orgX, window.orgY, nullptr);
    SetWindowExtEx(dc, window.extX, window.extY, nullptr);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    SetViewportExtEx(dc, static_cast<int>(width), static_cast<int>(height), nullptr);
    if (!PlayMetaFile(dc, metafile.Get())) return Failed(error, "WMF: the system could not play the file");
  } else {
    const EnhancedMetafile metafile(SetEnhMetaFileBits(static_cast<UINT>(size), data));
    if (metafile.Get() == nullptr) return Failed(error, "EMF: the system does not accept the file");
    RECT frame = {0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
    if (!PlayEnhMetaFile(dc, metafile.Get(), &frame)) return Failed(error, "EMF: the system could not play the file");
  }
  GdiFlush();
  return true;
}

}  // namespace

MetafileResult RenderMetafile(MetafileFormat format, const std::uint8_t* data, std::size_t size,
                              const MetafileWindow& window, unsigned width, unsigned height,
                              std::vector<std::uint8_t>* bgr, std::string* error) {
  BITMAPINFO info;
  std::memset(&info, 0, sizeof(info));
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;

  const MemoryDc dc;
  if (dc.Get() == nullptr) return NotRendered(error, "metafile: no memory device context");
  void* bits = nullptr;
  const GdiObject section(CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (section.Get() == nullptr || bits == nullptr) return NotRendered(error, "metafile: no DIB section");
  const SelectedObject selected(dc.Get(), section.Get());
  if (!selected.Ok()) return NotRendered(error, "metafile: cannot select the DIB section");
  const std::size_t stride = (std::size_t(width) * 3 + 3) & ~std::size_t(3);
  std::memset(bits, 0xFF, stride * height);  // white
  if (!Play(format, data, size, window, dc.Get(), width, height, error)) return keMetafileFailed;

  bgr->resize(std::size_t(width) * 3 * height);
  const std::uint8_t* source = static_cast<const std::uint8_t*>(bits);
  for (unsigned y = 0; y < height; ++y) {
    std::memcpy(bgr->data() + std::size_t(y) * width * 3, source + y * stride, std::size_t(width) * 3);
  }
  return keMetafileRendered;
}

}  // namespace platform
