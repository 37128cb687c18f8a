// The DirectSound output: device creation (through the endpoint on Windows 6.0 and
// later), the looping secondary buffer a ring_stream services, and the device list.
#include <windows.h>

// The wave formats and the timer live outside WIN32_LEAN_AND_MEAN's windows.h.
#include <mmreg.h>
#include <mmsystem.h>

#include <dsound.h>
#include <mmdeviceapi.h>
#include <objbase.h>

#include <cstring>
#include <string>

#include "core/com_ptr_win32.h"
#include "core/service_registry.h"
#include "core/unicode.h"
#include "playback/output.h"
#include "playback/output_errors.h"
#include "playback/ring_output.h"
#include "playback/ring_stream.h"

namespace lumo {
namespace {

// DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_GLOBALFOCUS | DSBCAPS_STICKYFOCUS | DSBCAPS_CTRLVOLUME
constexpr DWORD buffer_flags = 0x1C080;

constexpr CLSID clsid_mm_device_enumerator{
    0xBCDE0395, 0xE52F, 0x467C, {0x8E, 0x3D, 0xC4, 0x57, 0x92, 0x91, 0x69, 0x2E}};
constexpr IID iid_mm_device_enumerator{
    0xA95664D2, 0x9614, 0x4F35, {0xA7, 0x46, 0xDE, 0x8D, 0xB6, 0x36, 0x17, 0xE6}};
constexpr IID iid_direct_sound{
    0x279AFA83, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
constexpr DWORD clsctx_all = 23;

void check_open(HRESULT hr) {
  if (FAILED(hr)) throw_device_error(hr, device_error_context::open_or_write);
}
void check_update(HRESULT hr) {
  if (FAILED(hr)) throw_device_error(hr, device_error_context::update);
}

GUID to_win32(const guid& g) {
  GUID w;
  static_assert(sizeof w == sizeof g);
  std::memcpy(&w, &g, sizeof w);
  return w;
}

bool is_zero(const guid& g) {
  return g == guid{};
}

// The device object for a DirectSound device GUID (all zeros: the default device).
com_ptr<IDirectSound> create_device(const guid& device) {
  com_ptr<IDirectSound> ds;
  DWORD version = GetVersion();
  if (LOBYTE(LOWORD(version)) >= 6) {
    com_ptr<IMMDeviceEnumerator> enumerator;
    check_open(CoCreateInstance(clsid_mm_device_enumerator, nullptr, clsctx_all,
                                iid_mm_device_enumerator, enumerator.put_void()));
    com_ptr<IMMDevice> endpoint;
    if (is_zero(device)) {
      check_open(enumerator->GetDefaultAudioEndpoint(eRender, eMultimedia, endpoint.put()));
    } else {
      // A render endpoint's id is its DirectSound GUID behind this fixed prefix.
      std::string id = "{0.0.0.00000000}." + guid_to_text(device);
      HRESULT hr = enumerator->GetDevice(to_wide(id).c_str(), endpoint.put());
      if (FAILED(hr)) throw_device_error(DSERR_NODRIVER, device_error_context::open_or_write);
    }
    check_open(endpoint->Activate(iid_direct_sound, clsctx_all, nullptr, ds.put_void()));
  } else {
    GUID g = to_win32(device);
    check_open(DirectSoundCreate(is_zero(device) ? nullptr : &g, ds.put(), nullptr));
  }
  return ds;
}

WAVEFORMATEXTENSIBLE to_win32(const wave_format& f) {
  WAVEFORMATEXTENSIBLE w{};
  w.Format.wFormatTag = f.format_tag;
  w.Format.nChannels = f.channels;
  w.Format.nSamplesPerSec = f.samples_per_sec;
  w.Format.nAvgBytesPerSec = f.avg_bytes_per_sec;
  w.Format.nBlockAlign = f.block_align;
  w.Format.wBitsPerSample = f.bits_per_sample;
  w.Format.cbSize = f.extra_size;
  w.Samples.wValidBitsPerSample = f.valid_bits_per_sample;
  w.dwChannelMask = f.channel_mask;
  w.SubFormat = to_win32(f.sub_format);
  return w;
}

class dsound_ring_device final : public ring_device {
 public:
  dsound_ring_device(const output_spec& spec, uint32_t size_bytes)
      : size_(size_bytes), silence_(!spec.is_float && spec.bits_per_sample == 8 ? 0x80 : 0) {
    device_ = create_device(spec.device);
    HWND owner = static_cast<HWND>(output_owner_window());
    check_open(device_->SetCooperativeLevel(owner ? owner : GetDesktopWindow(), DSSCL_PRIORITY));
    HRESULT hr = create_buffer(make_wave_format(spec, false));
    if (FAILED(hr) && spec.is_float && spec.channels <= 2 &&
        (hr == E_NOTIMPL || hr == DSERR_GENERIC || hr == DSERR_BADFORMAT)) {
      // Some devices take float only in the extensible form.
      hr = create_buffer(make_wave_format(spec, true));
      uses_extensible_ = SUCCEEDED(hr);
    }
    check_open(hr);
  }

  uint32_t size_bytes() const override { return size_; }

  ring_status status() override {
    DWORD s = 0;
    check_update(buffer_->GetStatus(&s));
    return {(s & DSBSTATUS_BUFFERLOST) != 0,
            (s & DSBSTATUS_PLAYING) != 0 && (s & DSBSTATUS_LOOPING) != 0};
  }
  void restore() override { check_update(buffer_->Restore()); }
  void play_looping() override { check_update(buffer_->Play(0, 0, DSBPLAY_LOOPING)); }
  void stop() override { check_update(buffer_->Stop()); }
  void set_play_position(uint32_t offset) override {
    check_update(buffer_->SetCurrentPosition(offset));
  }
  uint32_t play_cursor() override {
    DWORD play = 0, write = 0;
    check_update(buffer_->GetCurrentPosition(&play, &write));
    return play % size_;
  }
  void write(uint32_t offset, const uint8_t* data, uint32_t count) override {
    fill(offset, count,
         [&](uint8_t* dst, DWORD n, DWORD done) { std::memcpy(dst, data + done, n); });
  }
  void write_silence(uint32_t offset, uint32_t count) override {
    fill(offset, count > size_ ? size_ : count,
         [&](uint8_t* dst, DWORD n, DWORD) { std::memset(dst, silence_, n); });
  }
  void set_volume(int32_t hundredths_db) override {
    check_update(buffer_->SetVolume(hundredths_db));
  }

 private:
  HRESULT create_buffer(const wave_format& format) {
    WAVEFORMATEXTENSIBLE wfx = to_win32(format);
    DSBUFFERDESC desc{};
    // 40 bytes in this 64-bit program (36 in a 32-bit one); DirectSound checks the size.
    desc.dwSize = sizeof(DSBUFFERDESC);
    desc.dwFlags = buffer_flags;
    desc.dwBufferBytes = size_;
    desc.lpwfxFormat = &wfx.Format;
    return device_->CreateSoundBuffer(&desc, buffer_.put(), nullptr);
  }

  template <class Fill>
  void fill(uint32_t offset, uint32_t count, Fill fill_part) {
    if (count == 0) return;
    void *p1 = nullptr, *p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    HRESULT hr = buffer_->Lock(offset % size_, count, &p1, &n1, &p2, &n2, 0);
    if (hr == DSERR_BUFFERLOST) {
      check_update(buffer_->Restore());
      hr = buffer_->Lock(offset % size_, count, &p1, &n1, &p2, &n2, 0);
    }
    check_open(hr);
    fill_part(static_cast<uint8_t*>(p1), n1, 0);
    if (p2) fill_part(static_cast<uint8_t*>(p2), n2, n1);
    check_open(buffer_->Unlock(p1, n1, p2, n2));
  }

  uint32_t size_;
  uint8_t silence_;
  bool uses_extensible_ = false;
  com_ptr<IDirectSound> device_;
  com_ptr<IDirectSoundBuffer> buffer_;
};

BOOL CALLBACK collect_device(LPGUID id, LPCWSTR description, LPCWSTR, LPVOID context) {
  auto* list = static_cast<std::vector<output_device_info>*>(context);
  output_device_info info;
  info.name = from_wide(description ? description : L"");
  if (id) std::memcpy(&info.id, id, sizeof info.id);
  list->push_back(std::move(info));
  return TRUE;
}

class dsound_output_entry : public output_entry {
 public:
  const guid& get_guid() const override { return directsound_output_guid; }
  const char* get_name() const override { return "DirectSound"; }
  std::vector<output_device_info> list_devices() const override {
    std::vector<output_device_info> list;
    check_open(DirectSoundEnumerateW(collect_device, &list));
    return list;
  }
  std::unique_ptr<output> create(const guid& device) const override {
    return std::make_unique<ring_output>([device](const output_spec& spec) {
      output_spec on_device = spec;
      on_device.device = device;
      return std::make_unique<dsound_ring_device>(on_device, ring_stream::ring_size_bytes(spec));
    });
  }
};

LUMO_REGISTER_SINGLETON_SERVICE(dsound_output_entry);

}  // namespace
}  // namespace lumo
