// Calls both exports of vostrel.dll through stdcall pointers, pushing the arguments and making
// the call in assembly, and checks that the stack pointer afterwards is exactly where it was:
// the callee must remove its own arguments, 28 bytes for funcGetInfo and 12 for DownlaodFunc.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string_view>

namespace {

// Pushes the arguments right to left, calls, and returns how far the stack pointer moved.
std::int32_t CallAndMeasure(std::uintptr_t fn, const std::uint32_t* args, int count) {
  std::int32_t moved = 0;
  // The callee may change eax, ecx and edx; esi keeps the stack pointer across the call.
  asm volatile(
      "movl %%esp, %%esi\n\t"
      "1:\n\t"
      "testl %%ecx, %%ecx\n\t"
      "jz 2f\n\t"
      "pushl -4(%[args],%%ecx,4)\n\t"
      "decl %%ecx\n\t"
      "jmp 1b\n\t"
      "2:\n\t"
      "call *%[fn]\n\t"
      "movl %%esp, %[moved]\n\t"
      "subl %%esi, %[moved]\n\t"
      "movl %%esi, %%esp\n\t"
      : [moved] "=&D"(moved), [args] "+d"(args), [count] "+c"(count)
      : [fn] "b"(fn)
      : "eax", "esi", "memory", "cc");
  return moved;
}

// A caller-cleans function: the measure must see its argument left on the stack.
extern "C" __attribute__((cdecl, noinline)) int LeavesItsArgument(int x) {
  return x + 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: stack_check VOSTREL.DLL WORKDIR\\\n");
    return 2;
  }
  HMODULE plugin = LoadLibraryA(argv[1]);
  if (plugin == nullptr) {
    std::fprintf(stderr, "cannot load %s\n", argv[1]);
    return 1;
  }
  FARPROC getInfo = GetProcAddress(plugin, "funcGetInfo");
  FARPROC download = GetProcAddress(plugin, "DownlaodFunc");
  if (getInfo == nullptr || download == nullptr) {
    std::fprintf(stderr, "an export is missing\n");
    return 1;
  }

  const std::uint32_t one[1] = {41};
  const std::int32_t cdeclMoved =
      CallAndMeasure(reinterpret_cast<std::uintptr_t>(&LeavesItsArgument), one, 1);
  if (cdeclMoved != -4) {
    std::fprintf(stderr, "the measure is broken: a cdecl call moved %ld bytes\n",
                 static_cast<long>(cdeclMoved));
    return 1;
  }

  char buffers[5][64] = {};
  const std::uint32_t infoArgs[7] = {0xDEADBEEF,
                                     reinterpret_cast<std::uint32_t>(buffers[0]),
                                     reinterpret_cast<std::uint32_t>(buffers[1]),
                                     reinterpret_cast<std::uint32_t>(buffers[2]),
                                     reinterpret_cast<std::uint32_t>(buffers[3]),
                                     reinterpret_cast<std::uint32_t>(buffers[4]),
                                     64};
  const std::int32_t infoMoved =
      CallAndMeasure(reinterpret_cast<std::uintptr_t>(getInfo), infoArgs, 7);

  // An empty output path gives the run nowhere to deliver to: it returns at once, without a
  // message box, which is all this check needs.
  const char* empty = "";
  const std::uint32_t downloadArgs[3] = {reinterpret_cast<std::uint32_t>(argv[2]),
                                         reinterpret_cast<std::uint32_t>(empty),
                                         reinterpret_cast<std::uint32_t>("4000000000")};
  const std::int32_t downloadMoved =
      CallAndMeasure(reinterpret_cast<std::uintptr_t>(download), downloadArgs, 3);

  std::printf("funcGetInfo: stack moved %ld bytes, entry name \"%s\"\n",
              static_cast<long>(infoMoved), buffers[0]);
  std::printf("DownlaodFunc: stack moved %ld bytes\n", static_cast<long>(downloadMoved));
  FreeLibrary(plugin);
  const bool ok =
      infoMoved == 0 && downloadMoved == 0 && std::string_view(buffers[0]) == "DownlaodFunc";
  return ok ? 0 : 1;
}
