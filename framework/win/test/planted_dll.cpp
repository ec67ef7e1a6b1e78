// A DLL that does nothing, planted beside the test program under two names
// for the test of the DLL search (application_test.cpp).
extern "C" __declspec(dllexport) int PlantedDll() {
    return 1;
}
