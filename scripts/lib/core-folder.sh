# Sourced by scripts that run the real core: zv_core_folder <build> <folder> makes <folder> a
# place the core can run from (it finds libs/, res/ and log.conf beside its own executable, and
# writes its per-model files and its log there), and zv_core_preload <build> prints the
# LD_PRELOAD value that puts the simulated tablet and the uinput capture in front of it.

zv_core_folder() {
  local build=$1 run=$2 dist=$1/dist f
  rm -rf "$run"
  mkdir -p "$run/res"
  cp "$dist/ZervaCore" "$run/"
  ln -s "$dist/libs" "$run/libs"
  for f in tablet.cfg pen.cfg layout_tablet.cfg layout_pen.cfg user.cfg; do
    ln -s "$dist/res/$f" "$run/res/$f"
  done
  sed "s#/var/log/zerva/ZervaCore.log#$run/ZervaCore.log#" "$dist/log.conf" > "$run/log.conf"
}

zv_core_preload() {
  local build=$1 f
  for f in "$build/dist/ZervaCore" "$build/dist/libs/libuibridge.so.1.0.0" \
           "$build/tools/tabletsim/libtabletsim.so" "$build/tools/uinputcap/libuinputcap.so"; do
    [ -e "$f" ] || { echo "$f is missing; run make first" >&2; return 1; }
  done
  echo "$build/tools/tabletsim/libtabletsim.so $build/tools/uinputcap/libuinputcap.so"
}
