; TICKMARK.COM for the boot test, in the place of the image's XMSMAN.EXE
; (the last program MENU.BAT runs before the job's ghost.bat): notes the
; BIOS tick count in C:\TVXTEST\TICKS.LOG where that folder exists, and ends.

        bits    16
        cpu     386
        org     0x100

%include "tickmark.inc"

start:  call    note_ticks
        mov     ax, 0x4C00
        int     0x21
