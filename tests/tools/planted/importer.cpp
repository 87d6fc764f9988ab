// Imports SETUPAPI the ordinary way; the import is resolved before this code runs.
#include <windows.h>
#include <setupapi.h>

int main() {
  HSPFILEQ queue = SetupOpenFileQueue();
  if (queue != INVALID_HANDLE_VALUE) SetupCloseFileQueue(queue);
  return 0;
}
