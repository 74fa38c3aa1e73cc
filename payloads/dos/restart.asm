; RESTART.COM: warm restart from DOS (the `restart` line of ghost.bat).
; Commits DOS's buffers first (a disk cache flushes on this call too), then
; sets the BIOS warm-boot flag 0040:0072 to 1234h and jumps to the reset
; entry FFFF:0000. Twenty bytes.

        bits    16
        org     0x100

        mov     ah, 0x0D                ; disk reset: flush buffers
        int     0x21
        mov     ax, 0x0040
        mov     ds, ax
        mov     word [0x0072], 0x1234
        jmp     0xFFFF:0x0000
