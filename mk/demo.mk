# The simulated notebook, the Windows package and the README's picture.
# Included by the Makefile; on its own: make -f Makefile -f mk/demo.mk demo
#   make demo [GPU=amd]     guided tour on a virtual display, pictures in $(BUILD)/demo/
#   make run [GPU=amd]      Korvane on your display with a console to drive it
#   make dist               $(BUILD)/dist/: setup programs and zips for x64 and x86, SHA256SUMS
#   make check-reproducible two fresh builds of the commit, compared byte for byte
#   make docs-screenshot    the tour's pictures as docs/menu.png, docs/menu-screen-reader.png and docs/notice.png,
#                           and docs/menu-{150,200,dark,high-contrast}.png
BUILD ?= build
GPU ?= nvidia

.PHONY: demo run dist check-reproducible docs-screenshot

demo:
	BUILD=$(BUILD) GPU=$(GPU) scripts/demo

run:
	BUILD=$(BUILD) GPU=$(GPU) scripts/run

dist:
	BUILD=$(BUILD) scripts/dist

check-reproducible:
	scripts/check-reproducible $(BUILD)

docs-screenshot: demo
	cp $(BUILD)/demo/menu-enabled.png docs/menu.png
	cp $(BUILD)/demo/menu-screen-reader.png docs/menu-screen-reader.png
	cp $(BUILD)/demo/notice.png docs/notice.png
	for picture in menu-150 menu-200 menu-dark menu-high-contrast; do \
	  cp $(BUILD)/demo/$$picture.png docs/$$picture.png || exit 1; \
	done
