// A SimConnect.dll with only one of the ten functions, as an old or foreign
// library of that name might be.
extern "C" __declspec(dllexport) long SimConnect_Open(void**, const char*, void*, unsigned long, void*,
                                                       unsigned long) {
    return -1;
}
