; Stand-in for the boot image's DOS tools that the boot test does not need to
; do anything (SMARTDRV, TW, HDPMI32, NDOS, NDLIST, XMSMAN): ends at once with
; errorlevel 0. DOS runs a file by its content, so the .COM bytes serve under
; the tools' .EXE names as well.

        bits    16
        org     0x100

        mov     ax, 0x4C00
        int     0x21
