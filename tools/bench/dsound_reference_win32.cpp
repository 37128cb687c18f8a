// The reference of the playback CPU measurements under Wine: the least a program can do
// to be heard through DirectSound. One looping secondary buffer of a quiet 440 Hz tone,
// written once, played for the given time with no thread of its own; whatever CPU the
// process uses is the system's sound path (under Wine that runs inside the process, where
// Windows runs it in its audio service).
// usage: dsound_reference SECONDS [float|16]
#include <dsound.h>
#include <windows.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr DWORD rate = 44100;
constexpr WORD channels = 2;
constexpr double buffer_seconds = 0.7;  // what the output asks for at its default length

int fail(const char* what, HRESULT hr) {
  std::fprintf(stderr, "dsound_reference: %s failed (0x%08lx)\n", what,
               static_cast<unsigned long>(hr));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: dsound_reference SECONDS [float|16]\n");
    return 2;
  }
  const double seconds = std::atof(argv[1]);
  const bool is_float = argc < 3 || std::strcmp(argv[2], "16") != 0;

  IDirectSound8* ds = nullptr;
  HRESULT hr = DirectSoundCreate8(nullptr, &ds, nullptr);
  if (FAILED(hr)) return fail("DirectSoundCreate8", hr);
  hr = ds->SetCooperativeLevel(GetDesktopWindow(), DSSCL_PRIORITY);
  if (FAILED(hr)) return fail("SetCooperativeLevel", hr);

  WAVEFORMATEX format{};
  constexpr WORD wave_format_ieee_float = 3;
  format.wFormatTag = is_float ? wave_format_ieee_float : WORD{WAVE_FORMAT_PCM};
  format.nChannels = channels;
  format.nSamplesPerSec = rate;
  format.wBitsPerSample = is_float ? 32 : 16;
  format.nBlockAlign = static_cast<WORD>(channels * format.wBitsPerSample / 8);
  format.nAvgBytesPerSec = rate * format.nBlockAlign;
  const DWORD frames = static_cast<DWORD>(rate * buffer_seconds);
  DSBUFFERDESC desc{};
  desc.dwSize = sizeof desc;  // the 64-bit structure's own size
  desc.dwFlags = DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_GLOBALFOCUS | DSBCAPS_CTRLVOLUME;
  desc.dwBufferBytes = frames * format.nBlockAlign;
  desc.lpwfxFormat = &format;
  IDirectSoundBuffer* buffer = nullptr;
  hr = ds->CreateSoundBuffer(&desc, &buffer, nullptr);
  if (FAILED(hr)) return fail("CreateSoundBuffer", hr);

  // A whole number of periods in the buffer, so the loop has no seam.
  const double hz = 440.0 * frames / rate == std::floor(440.0 * frames / rate)
                        ? 440.0
                        : std::floor(440.0 * frames / rate) * rate / frames;
  void* p1 = nullptr;
  void* p2 = nullptr;
  DWORD n1 = 0, n2 = 0;
  hr = buffer->Lock(0, desc.dwBufferBytes, &p1, &n1, &p2, &n2, 0);
  if (FAILED(hr)) return fail("Lock", hr);
  for (DWORD i = 0; i < frames; ++i) {
    const double v = 0.05 * std::sin(2.0 * 3.14159265358979323846 * hz * i / rate);
    for (WORD c = 0; c < channels; ++c) {
      if (is_float)
        static_cast<float*>(p1)[i * channels + c] = static_cast<float>(v);
      else
        static_cast<int16_t*>(p1)[i * channels + c] = static_cast<int16_t>(std::lround(v * 32767));
    }
  }
  buffer->Unlock(p1, n1, p2, n2);
  hr = buffer->Play(0, 0, DSBPLAY_LOOPING);
  if (FAILED(hr)) return fail("Play", hr);
  std::printf("playing %s for %.0f s\n", is_float ? "float" : "16-bit", seconds);
  std::fflush(stdout);
  Sleep(static_cast<DWORD>(seconds * 1000));
  buffer->Stop();
  buffer->Release();
  ds->Release();
  return 0;
}
