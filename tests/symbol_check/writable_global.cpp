// What the symbol check must refuse: a variable the library writes, and a
// table of pointers that is not constant.

int counter;
const char *table[] = {"front", "back", "code line"};

extern "C" __attribute__((visibility("default"))) int
Java_QelScan_QelScanApi_MirbStatus(void *, void *, int index) {
  table[index % 3] = table[0];
  return ++counter;
}
