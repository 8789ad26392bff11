#ifndef TARNO_UI_WIN32_COUNTY_WINDOW_THREAD_H_
#define TARNO_UI_WIN32_COUNTY_WINDOW_THREAD_H_

namespace tarno {

// The host is freeing the module (DllMain, under the loader's lock): closes an open county
// window and its information window, and returns once no code of the module can run on
// their thread again. Bounded; never waits for the thread to end.
void CloseCountyWindowAtUnload() noexcept;

}  // namespace tarno

#endif  // TARNO_UI_WIN32_COUNTY_WINDOW_THREAD_H_
