; Stand-in for the GRUB4DOS loader (C:\grldr) in builds made without it.
;
; The NT boot loader starts C:\grldr as a boot sector file: it loads the
; start of the file at 0000:7C00 and jumps there. This stand-in only tells
; the user that the real loader is missing and restarts on a key press.
; Like the real loader payload, the payload made from it ends with the
; preset command list and its zero byte: the build appends them, filled in
; from the hand-off (dos/preset_menu.lst).

        bits    16
        org     0x7C00

%include "bootmsg.inc"

        stand_in_boot message

message:
        db      13, 10
        db      "Trivex demo build: the boot loader (GRUB4DOS grldr) was not", 13, 10
        db      "included in this build, so the DOS boot image cannot be started.", 13, 10
        db      "Nothing has been backed up or restored.", 13, 10, 13, 10
        db      "Press any key to restart. In the boot menu, choose Windows before", 13, 10
        db      "the countdown ends; then undo the job in Trivex (key U), so that", 13, 10
        db      "the next start goes straight to Windows again.", 13, 10, 0

        times   510 - ($ - $$) db 0
        dw      0xAA55
