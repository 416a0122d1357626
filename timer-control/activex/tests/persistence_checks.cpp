// Saving and loading: property bags (in any letter case) and the 16-byte stream record.
#include <limits>

#include "host_support.h"

namespace horolon_test {

void CheckPropertyBag() {
  // Saving: names come back in the bag's lower case; Enabled only when True.
  {
    ComPtr<IDispatch> object = NewControl();
    Put(object.Get(), kInterval, R4(1.5f));
    Put(object.Get(), kEnabled, Bool(true));
    ComPtr<IPersistPropertyBag> persist;
    LowerCaseBag bag;
    const HRESULT saved =
        SUCCEEDED(object->QueryInterface(IID_IPersistPropertyBag, persist.PutVoid()))
            ? persist->Save(&bag, TRUE, TRUE)
            : E_NOINTERFACE;
    Check(saved == S_OK && bag.Text(L"interval") == L"1.5" && bag.Text(L"enabled") == L"True",
          "saved Interval \"1.5\" and Enabled \"True\" (got \"" + Narrow(bag.Text(L"interval")) +
              "\", \"" + Narrow(bag.Text(L"enabled")) + "\")");
    Put(object.Get(), kEnabled, Bool(false));
    LowerCaseBag disabled;
    persist->Save(&disabled, TRUE, TRUE);
    Check(disabled.Has(L"interval") && !disabled.Has(L"enabled"),
          "a disabled control saves only Interval");
  }

  // Loading: a table of saved texts (null = not in the bag).
  struct Row {
    const wchar_t* interval;
    const wchar_t* enabled;
    float expected_interval;
    int expected_enabled;
  };
  const Row rows[] = {
      {L"1.5", L"True", 1.5f, 1},  {L"90.5", nullptr, 90.5f, 0},     {L"abc", L"False", 0.0f, 0},
      {nullptr, L"true", 0.0f, 0}, {L"1.23456", L"TRUE", 1.235f, 0}, {L"12abc", L"True ", 12.0f, 0},
      {nullptr, nullptr, 0.0f, 0}, {L"  2.25", L"-1", 2.25f, 0},     {L"", L"", 0.0f, 0},
  };
  for (const Row& row : rows) {
    ComPtr<IDispatch> object = NewControl();
    ComPtr<IPersistPropertyBag> persist;
    object->QueryInterface(IID_IPersistPropertyBag, persist.PutVoid());
    LowerCaseBag bag;
    if (row.interval) bag.SetText(L"Interval", row.interval);
    if (row.enabled) bag.SetText(L"Enabled", row.enabled);
    const HRESULT hr = persist ? persist->Load(&bag, nullptr) : E_NOINTERFACE;
    const float interval = GetInterval(object.Get());
    const int enabled = GetEnabled(object.Get());
    char what[160];
    std::snprintf(what, sizeof(what), "load Interval %s, Enabled %s -> %g, %d",
                  row.interval ? Narrow(row.interval).c_str() : "(missing)",
                  row.enabled ? ("\"" + Narrow(row.enabled) + "\"").c_str() : "(missing)", interval,
                  enabled);
    Check(hr == S_OK && interval == row.expected_interval && enabled == row.expected_enabled, what);
    Put(object.Get(), kEnabled, Bool(false));
  }

  // Values that are not text: a number turns into text, an object counts as missing.
  {
    ComPtr<IDispatch> object = NewControl();
    ComPtr<IPersistPropertyBag> persist;
    object->QueryInterface(IID_IPersistPropertyBag, persist.PutVoid());
    LowerCaseBag bag;
    bag.Store(L"interval", R4(2.25f));
    VARIANT garbled;
    ::VariantInit(&garbled);
    garbled.vt = VT_UNKNOWN;
    garbled.punkVal = nullptr;
    bag.Store(L"enabled", garbled);
    Check(persist && persist->Load(&bag, nullptr) == S_OK && GetInterval(object.Get()) == 2.25f &&
              GetEnabled(object.Get()) == 0,
          "a VT_R4 Interval loads as 2.25, an object-valued Enabled as False");
  }
}

namespace {

// A bag whose Read of one property answers with a given HRESULT; others are not there.
class FailingBag final : public StackPropertyBag {
 public:
  FailingBag(const wchar_t* failing, HRESULT answer) : failing_(failing), answer_(answer) {}
  HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
    if (Lower(name) != Lower(failing_)) return E_INVALIDARG;
    if (SUCCEEDED(answer_)) {
      value->vt = VT_BSTR;
      value->bstrVal = ::SysAllocString(L"2.5");
    }
    return answer_;
  }
  HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT*) override {
    return Lower(name) == Lower(failing_) ? answer_ : S_OK;
  }

 private:
  std::wstring failing_;
  HRESULT answer_;
};

}  // namespace

void CheckBagFailures() {
  struct Row {
    const wchar_t* property;
    HRESULT answer;
    HRESULT load;
  };
  const Row rows[] = {
      {L"Interval", STG_E_ACCESSDENIED, STG_E_ACCESSDENIED},
      {L"Interval", E_OUTOFMEMORY, E_OUTOFMEMORY},
      {L"Enabled", STG_E_READFAULT, STG_E_READFAULT},
      {L"Enabled", E_INVALIDARG, S_OK},  // not there: the default
      {L"Interval", E_INVALIDARG, S_OK},
  };
  for (const Row& row : rows) {
    ComPtr<IDispatch> object = NewControl();
    ComPtr<IPersistPropertyBag> persist;
    object->QueryInterface(IID_IPersistPropertyBag, persist.PutVoid());
    FailingBag bag(row.property, row.answer);
    const HRESULT hr = persist ? persist->Load(&bag, nullptr) : E_NOINTERFACE;
    Check(hr == row.load, "a bag answering " + Hex(row.answer) + " for " + Narrow(row.property) +
                              ": Load gives " + Hex(row.load) + ", got " + Hex(hr));
  }
  ComPtr<IDispatch> object = NewControl();
  Put(object.Get(), kEnabled, Bool(true));
  ComPtr<IPersistPropertyBag> persist;
  object->QueryInterface(IID_IPersistPropertyBag, persist.PutVoid());
  FailingBag bag(L"Enabled", STG_E_MEDIUMFULL);
  const HRESULT saved = persist ? persist->Save(&bag, TRUE, TRUE) : E_NOINTERFACE;
  Put(object.Get(), kEnabled, Bool(false));
  Check(saved == STG_E_MEDIUMFULL, "a bag's Write failure goes back from Save, got " + Hex(saved));
}

void CheckStream() {
  // Save writes what Load reads back, the infinities too (a NaN record is refused, below).
  for (const float value :
       {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(), -7.5f}) {
    ComPtr<IDispatch> saved = NewControl();
    Put(saved.Get(), kInterval, R4(value));
    ComPtr<IPersistStreamInit> writer;
    saved->QueryInterface(IID_IPersistStreamInit, writer.PutVoid());
    ComPtr<IStream> stream = StreamOf({});
    const HRESULT wrote = writer ? writer->Save(stream.Get(), TRUE) : E_NOINTERFACE;
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ComPtr<IDispatch> loaded = NewControl();
    ComPtr<IPersistStreamInit> reader;
    loaded->QueryInterface(IID_IPersistStreamInit, reader.PutVoid());
    const HRESULT read = reader ? reader->Load(stream.Get()) : E_NOINTERFACE;
    char what[128];
    std::snprintf(what, sizeof(what), "Interval %g saves (%s) and loads back (%s)", value,
                  Hex(wrote).c_str(), Hex(read).c_str());
    Check(wrote == S_OK && read == S_OK && GetInterval(loaded.Get()) == value, what);
  }
  {
    ComPtr<IDispatch> saved = NewControl();
    Put(saved.Get(), kInterval, R4(42.125f));
    ComPtr<IPersistStreamInit> writer;
    ComPtr<IStream> stream = StreamOf({});
    ULARGE_INTEGER size = {};
    saved->QueryInterface(IID_IPersistStreamInit, writer.PutVoid());
    Check(writer && writer->IsDirty() == S_OK && writer->Save(stream.Get(), TRUE) == S_OK &&
              writer->IsDirty() == S_FALSE && writer->GetSizeMax(&size) == S_OK &&
              size.QuadPart == 16,
          "stream save of 16 bytes clears the dirty flag");
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ComPtr<IDispatch> loaded = NewControl();
    ComPtr<IPersistStreamInit> reader;
    loaded->QueryInterface(IID_IPersistStreamInit, reader.PutVoid());
    Check(reader && reader->Load(stream.Get()) == S_OK && GetInterval(loaded.Get()) == 42.125f &&
              GetEnabled(loaded.Get()) == 0,
          "stream form round-trips Interval 42.125, Enabled False");
  }

  struct Row {
    const char* what;
    std::vector<BYTE> bytes;
    bool loads;
    float interval;
    int enabled;
  };
  const float nan = std::nanf("");
  std::vector<BYTE> random(16);
  for (std::size_t i = 0; i < random.size(); ++i) random[i] = static_cast<BYTE>(i * 37 + 11);
  const Row rows[] = {
      {"a valid record", Record(1, 8, 3.5f, -1, 0), true, 3.5f, 1},
      {"a later version with a longer payload", Record(2, 12, 4.25f, 0, 4), true, 4.25f, 0},
      {"an empty stream", {}, false, 0.0f, 0},
      {"a record cut short", CutShort(Record(1, 8, 3.5f, -1, 0), 10), false, 0.0f, 0},
      {"garbage", random, false, 0.0f, 0},
      {"version 0", Record(0, 8, 3.5f, 0, 0), false, 0.0f, 0},
      {"a short payload size", Record(1, 4, 3.5f, 0, 0), false, 0.0f, 0},
      {"a NaN Interval", Record(1, 8, nan, 0, 0), false, 0.0f, 0},
      {"an infinite Interval", Record(1, 8, std::numeric_limits<float>::infinity(), 0, 0), true,
       std::numeric_limits<float>::infinity(), 0},
      {"an Enabled of 1", Record(1, 8, 3.5f, 1, 0), false, 0.0f, 0},
  };
  for (const Row& row : rows) {
    ComPtr<IDispatch> object = NewControl();
    ComPtr<IPersistStreamInit> reader;
    object->QueryInterface(IID_IPersistStreamInit, reader.PutVoid());
    ComPtr<IStream> stream = StreamOf(row.bytes);
    const HRESULT hr = reader ? reader->Load(stream.Get()) : E_NOINTERFACE;
    Check((row.loads ? hr == S_OK : FAILED(hr)) && GetInterval(object.Get()) == row.interval &&
              GetEnabled(object.Get()) == row.enabled,
          std::string("stream load of ") + row.what + (row.loads ? " succeeds" : " fails cleanly") +
              " (" + Hex(hr) + ")");
    Put(object.Get(), kEnabled, Bool(false));
  }
}

}  // namespace horolon_test
