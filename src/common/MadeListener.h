// What a step of a run made that was not there before (a service, a shortcut, a folder for
// one), told to whoever keeps the run's record; the steps know nothing of the record.
#pragma once

enum class Made { Folder, Service, Shortcut };

struct MadeListener {
  void (*heard)(MadeListener *listener, Made what, const char *name);
};

inline void TellMade(MadeListener *listener, Made what, const char *name) {
  if (listener) listener->heard(listener, what, name);
}
