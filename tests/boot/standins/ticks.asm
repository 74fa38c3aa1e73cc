; TICKS.COM for the volscan test: prints the BIOS tick count (INT 1Ah
; AH=00h, 18.2 ticks a second, from midnight) in decimal and CR LF, so that
; a batch file can note the time before and after a program.

        bits    16
        cpu     386
        org     0x100

        xor     ah, ah
        int     0x1A
        mov     ax, cx
        shl     eax, 16
        mov     ax, dx
        mov     di, digits_end
        mov     ebx, 10
.digit: xor     edx, edx
        div     ebx
        add     dl, '0'
        dec     di
        mov     [di], dl
        test    eax, eax
        jnz     .digit
        mov     dx, di
        mov     cx, line_end
        sub     cx, di
        mov     bx, 1
        mov     ah, 0x40
        int     0x21
        mov     ax, 0x4C00
        int     0x21

digits:         times 10 db 0
digits_end:     db 13, 10
line_end:
