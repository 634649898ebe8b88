#!/usr/bin/env bash
# `make test-drivers`: tarn-cli against real kernel serial drivers. A small
# Linux guest under QEMU gets a 16550 UART and an FTDI USB serial adapter,
# each wired to a simulated controller on a pseudo-terminal of the host; the
# adapter is removed and added again through the QEMU monitor in the middle of
# a read, a write and a recording, and the guest checks what tarn-cli made of
# it. Needs the packages of `scripts/install-deps.sh --drivers`.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
cli="$build/tools/tarn-cli"
simulator="$build/sim/tarn-controller-sim"
[ -x "$cli" ] && [ -x "$simulator" ] || { echo "test-drivers: build first ($cli)" >&2; exit 2; }

kernel="$(ls /boot/vmlinuz-* 2>/dev/null | sort -V | tail -1)"
[ -n "$kernel" ] || { echo "test-drivers: no kernel in /boot (linux-image-amd64)" >&2; exit 2; }
release="${kernel#/boot/vmlinuz-}"
modules="/lib/modules/$release/kernel/drivers/usb"

work="$(mktemp -d /tmp/tarn-drivers.XXXXXX)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# --- The guest's root: busybox, tarn-cli with its shared libraries, the USB
# modules in load order, and the scenario as /init. ---
root="$work/root"
mkdir -p "$root"/{bin,dev,proc,sys,tmp,lib/modules}
cp /bin/busybox "$root/bin/busybox"
cp "$cli" "$root/bin/tarn-cli"
for lib in $(ldd "$cli" | awk '/=>/ {print $3} /ld-linux/ {print $1}'); do
  mkdir -p "$root$(dirname "$lib")"
  cp -L "$lib" "$root$lib"
done
for module in common/usb-common core/usbcore host/xhci-hcd host/xhci-pci serial/usbserial \
              serial/ftdi_sio; do
  cp "$modules/$module.ko" "$root/lib/modules/"
done
cat >"$root/init" <<'GUEST'
#!/bin/busybox sh
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc; mount -t sysfs sys /sys; mount -t devtmpfs dev /dev
for m in usb-common usbcore xhci-hcd xhci-pci usbserial ftdi_sio; do insmod /lib/modules/$m.ko; done
failures=0
check() { if [ "$1" = 0 ]; then echo "@@PASS $2"; else echo "@@FAIL $2"; failures=$((failures+1)); fi; }
wait_for() { n=0; while [ ! -e "$1" ] && [ $n -lt 300 ]; do sleep 0.1; n=$((n+1)); done; [ -e "$1" ]; }
now_ms() { awk '{printf "%d", $1 * 1000}' /proc/uptime; }
wait_for /dev/ttyUSB0; check $? "adapter appears as /dev/ttyUSB0"

TARN_PORTS=/dev/ttyS1 tarn-cli identity >/tmp/uart.txt 2>&1; check $? "identity over the 16550 UART"
TARN_PORTS=/dev/ttyUSB0 tarn-cli read /tmp/image.bin >/tmp/first.txt 2>&1; check $? "read over the adapter"

# Mid-read: the host pulls the adapter 0.5 s from now and puts it back 2 s later.
echo "@@PULL 500"; start=$(now_ms)
TARN_PORTS=/dev/ttyUSB0 tarn-cli read /tmp/cut.bin >/tmp/cut.txt 2>&1; status=$?; took=$(( $(now_ms) - start ))
cat /tmp/cut.txt
[ $status = 1 ] && grep -q "device removed" /tmp/cut.txt && [ ! -e /tmp/cut.bin ] && [ $took -lt 3500 ]
check $? "read cut short fails within ${took} ms naming the removed device, no file"
sleep 2.5; wait_for /dev/ttyUSB0
TARN_PORTS=/dev/ttyUSB0 tarn-cli identity >/tmp/back.txt 2>&1; check $? "identity after the adapter is back, no restart"

echo "@@PULL 700"; start=$(now_ms)
TARN_PORTS=/dev/ttyUSB0 tarn-cli write /tmp/image.bin >/tmp/write.txt 2>&1; status=$?; took=$(( $(now_ms) - start ))
cat /tmp/write.txt
[ $status = 1 ] && grep -q "device removed" /tmp/write.txt && [ $took -lt 3500 ]
check $? "write cut short fails within ${took} ms naming the removed device"
sleep 2.5; wait_for /dev/ttyUSB0
TARN_PORTS=/dev/ttyUSB0 tarn-cli write /tmp/image.bin >/tmp/rewrite.txt 2>&1; check $? "write works again"

echo "@@PULL 3000"
TARN_PORTS=/dev/ttyUSB0 tarn-cli monitor --csv /tmp/live.csv --seconds 12 >/tmp/live.txt 2>&1; status=$?
cat /tmp/live.txt
rows=$(($(wc -l </tmp/live.csv) - 1)); ok=$(grep -c "Success!" /tmp/live.csv)
tail_ok=$(tail -n 15 /tmp/live.csv | grep -c "Success!")
echo "recording: $rows rows, $ok succeeded, $tail_ok of the last 15 succeeded"
[ $status = 1 ] && [ $rows = 60 ] && grep -q "failed: port gone" /tmp/live.txt && [ $tail_ok = 15 ]
check $? "recording goes on through the gap and counts the failed polls"

echo "@@DONE $failures"
poweroff -f
GUEST
chmod +x "$root/init"
(cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) >"$work/initrd.gz"

# --- Two simulated controllers: one behind the UART, one behind the adapter. ---
start_simulator() {
  "$simulator" >"$work/$1.path" 2>"$work/$1.err" &
  pids+=($!)
  for _ in $(seq 50); do [ -s "$work/$1.path" ] && break; sleep 0.1; done
  head -1 "$work/$1.path"
}
uart="$(start_simulator uart)"
adapter="$(start_simulator adapter)"

port=$((40000 + $$ % 20000))
qemu-system-x86_64 -accel tcg -m 256 -nodefaults -display none -no-reboot \
  -kernel "$kernel" -initrd "$work/initrd.gz" -append "console=ttyS0 quiet panic=-1" \
  -serial stdio \
  -chardev serial,id=uart,path="$uart" -device isa-serial,chardev=uart \
  -chardev serial,id=ftdi,path="$adapter" -device qemu-xhci,id=xhci \
  -device usb-serial,chardev=ftdi,id=adapter,bus=xhci.0 \
  -monitor tcp:127.0.0.1:$port,server,nowait </dev/null >"$work/console.txt" 2>&1 &
qemu=$!
pids+=($qemu)

monitor() {
  exec 3<>"/dev/tcp/127.0.0.1/$port"
  printf '%s\n' "$1" >&3
  sleep 0.2
  exec 3>&-
}
pull_later() {
  sleep "$(awk "BEGIN {print $1 / 1000}")"
  monitor "device_del adapter"
  sleep 2
  monitor "device_add usb-serial,chardev=ftdi,id=adapter,bus=xhci.0"
}

seen=0
deadline=$((SECONDS + 600))
while kill -0 "$qemu" 2>/dev/null && [ $SECONDS -lt $deadline ]; do
  mapfile -t pulls < <(grep -a '^@@PULL' "$work/console.txt" || true)
  while [ "$seen" -lt "${#pulls[@]}" ]; do
    pull_later "$(echo "${pulls[$seen]}" | awk '{print $2}')" &
    seen=$((seen + 1))
  done
  sleep 0.05
done
wait "$qemu" || true
tr -d '\r' <"$work/console.txt" | grep -a -E '^(@@|tarn-cli|Recorded|recording)' || true
result="$(tr -d '\r' <"$work/console.txt" | grep -a '^@@DONE' | awk '{print $2}')"
[ "$result" = 0 ] || { echo "test-drivers: failed (${result:-guest did not finish})" >&2; exit 1; }
echo "test-drivers: all checks passed"
