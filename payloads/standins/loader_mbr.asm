; Stand-in for the loader's boot-sector file (C:\grldr.mbr, GRUB4DOS
; grldr.mbr) in builds made without it.
;
; On Windows Vista and later the boot manager starts C:\grldr.mbr once, as a
; boot-sector entry: it loads the file at 0000:7C00 and jumps there. The real
; file finds C:\grldr and starts it; this stand-in tells the user that it was
; left out and restarts on a key press. The boot manager ran it as a one-time
; boot, so the restart goes back to Windows.

        bits    16
        org     0x7C00

%include "bootmsg.inc"

        stand_in_boot message

message:
        db      13, 10
        db      "Trivex demo build: the loader's boot sector file (GRUB4DOS", 13, 10
        db      "grldr.mbr) was not included in this build, so the DOS boot", 13, 10
        db      "image cannot be started. Nothing has been backed up or restored.", 13, 10, 13, 10
        db      "Press any key to restart: Windows starts as usual. Then open", 13, 10
        db      "Trivex and choose Undo to remove the job files.", 13, 10, 0

        times   510 - ($ - $$) db 0
        dw      0xAA55
